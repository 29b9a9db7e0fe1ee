#include "ProgramWithUnit.h"

#include <QTest>

ProgramWithUnit::ProgramWithUnit(const SimConfig& config)
    : sim(config), opened(sim.open()), program({sim.slavePath()})
{
}

bool ProgramWithUnit::start(const QStringList& arguments)
{
    if (!opened)
        return false;
    program.start(arguments);
    return true;
}

bool ProgramWithUnit::startPolling(int ms, const QStringList& arguments)
{
    return start(arguments) && QTest::qWaitFor([] { return polling(); }, ms);
}
