#pragma once
#include "ProgramFixture.h"
#include "SimulatedDetector.h"

#include <QStringList>

// The real program with one simulated unit as its only port, as most tests against the
// simulator begin. The unit's line is open before the program is made, so that the program
// has it among its ports; the program goes first, the unit after it.
struct ProgramWithUnit {
    explicit ProgramWithUnit(const SimConfig& config = {});
    // Shows the window with these arguments and the search starts; false when the unit's line
    // did not open, and then nothing is shown.
    bool start(const QStringList& arguments = {});
    // start(), then waits until the panel polls the unit; false when it does not within ms.
    bool startPolling(int ms, const QStringList& arguments = {});

    SimulatedDetector sim;
    const bool opened;
    ProgramFixture program;
};

// A port where nothing answers, then a receiver: what a search meets on most laptops.
struct EmptyPortThenUnit {
    SimulatedDetector empty{SimConfig{SimConfig::Empty}};
    SimulatedDetector unit;
    bool open() { return empty.open() && unit.open(); }
    QStringList ports() const { return {empty.slavePath(), unit.slavePath()}; }
};
