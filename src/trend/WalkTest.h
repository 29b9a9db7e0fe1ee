#pragma once
// The walk test: the installer crosses the zone at chosen places and wants to know, for each
// crossing, whether the unit raised its alarm and by how much the field cleared its threshold.
// A crossing is the field leaving its rest level and coming back, whether or not it reached the
// threshold: the crossings that stay under it are the ones that matter.
#include "trend/SessionRecord.h"

#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

struct WalkCrossing {
    static constexpr std::uint32_t NONE = UINT32_MAX;

    std::uint32_t startMs = 0, endMs = 0, peakMs = 0;
    std::uint32_t overMs = NONE;   // the field first above the threshold
    std::uint32_t alarmMs = NONE;  // the unit's own alarm, as it reported it
    TValPole peak = 0;
    TPosPorog threshold = 0;  // in force at the peak
    QString place;
    bool ended = false;

    bool detected() const { return alarmMs != NONE; }
    double marginVolts() const;
    // The margin as a share of the threshold: 0.1 is 10 %.
    double marginShare() const;
    // From the field crossing the threshold to the alarm; none when either is missing.
    std::optional<std::uint32_t> alarmDelayMs() const;
};

// Where the field settles with nobody in the zone, over the walk test's quiet stretches; its
// spread leaves out the odd spike (the lowest and highest 2 %), as does the rise a crossing
// must make over it.
struct RestLevel {
    std::size_t samples = 0;
    TValPole median = 0, lowest = 0, highest = 0;
};

struct WalkVerdict {
    std::size_t crossings = 0, detected = 0, withMargin = 0;
    bool passed() const { return crossings > 0 && detected == crossings && withMargin == crossings; }
};

// The threshold this walk test argues for: every crossing clears it by the margin and the rest
// level stays under it by the same margin.
struct ThresholdAdvice {
    bool possible = false;
    TPosPorog highest = 0;  // the one to set: the least sensitive that still detects them all
    TPosPorog lowest = 0;
};

// The same from the weakest crossing's peak and the rest level's upper spread.
ThresholdAdvice thresholdAdvice(TValPole weakestPeak, TValPole restHighest, double margin);

class WalkTest {
public:
    // A quiet stretch this long teaches the rest level before the first crossing counts.
    static constexpr std::uint32_t LEARN_MS = 2000;
    // The rest level follows the last quiet seconds, so that a slow drift is not a crossing.
    static constexpr std::uint32_t REST_WINDOW_MS = 10000;
    // A quiet sample joins the rest level only this much later, unless a crossing began
    // meanwhile: the field's slow first rise as someone nears is not rest, and on a fast line
    // it would otherwise lift the rest level ahead of the crossing.
    static constexpr std::uint32_t SETTLE_MS = 1000;
    // The least rise that counts as someone in the zone: about 0.1 V on the field scale.
    static constexpr int MIN_RISE = 5;
    // Back under the return level this long before a crossing is over: a person's field dips
    // between steps, and one crossing must not read as two.
    static constexpr std::uint32_t RETURN_MS = 500;
    // The unit's alarm may be reported a poll cycle after the field fell back.
    static constexpr std::uint32_t ALARM_GRACE_MS = 1500;
    static constexpr double DEFAULT_MARGIN = 0.10;

    void start(std::uint32_t ms);
    void stop(std::uint32_t ms);
    void clear();
    bool running() const { return FRunning; }
    bool started() const { return FStarted; }
    bool learning() const;

    void setPlace(const QString& place) { FPlace = place; }
    void setMargin(double share) { FMargin = share; }
    double margin() const { return FMargin; }

    // Every sample of the session while the test runs.
    void take(const SessionSample& s);

    const std::vector<WalkCrossing>& crossings() const { return FCrossings; }
    std::uint32_t startedMs() const { return FStartMs; }
    std::uint32_t stoppedMs() const { return FStopMs; }
    RestLevel rest() const;
    WalkVerdict verdict() const;
    ThresholdAdvice advice() const;

private:
    void learn(std::uint32_t ms, TValPole field);
    void settle(std::uint32_t now);
    void follow(const SessionSample& s);
    void close(std::uint32_t ms);
    void noteAlarm(const SessionSample& s);
    TValPole restMedian() const;
    int riseLevel() const;

    bool FRunning = false;
    bool FStarted = false;
    std::uint32_t FStartMs = 0, FStopMs = 0;
    QString FPlace;
    double FMargin = DEFAULT_MARGIN;
    std::vector<WalkCrossing> FCrossings;
    bool FOpen = false;
    std::uint32_t FBelowSince = WalkCrossing::NONE;
    std::uint32_t FLastMs = 0;
    bool FPrevAlarm = false;

    // The quiet samples of the last REST_WINDOW_MS, and all of them for the record; and those
    // of the last SETTLE_MS, not yet known to be quiet.
    std::deque<std::pair<std::uint32_t, TValPole>> FWindow;
    std::deque<std::pair<std::uint32_t, TValPole>> FSettling;
    std::array<std::uint32_t, 256> FWindowCounts{};
    std::array<std::uint64_t, 256> FRestCounts{};
};
