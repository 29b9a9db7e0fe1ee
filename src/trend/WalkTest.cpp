#include "trend/WalkTest.h"

#include "protocol/DetectorUnits.h"

#include <algorithm>

namespace {
// The value under which share of the samples lie.
template <class Counts>
TValPole percentile(const Counts& counts, std::uint64_t total, double share)
{
    std::uint64_t seen = 0;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        seen += counts[v];
        if (total > 0 && double(seen) >= share * double(total))
            return TValPole(v);
    }
    return 0;
}

constexpr double SPIKE_SHARE = 0.02;
}  // namespace

double WalkCrossing::marginVolts() const { return poleVolts(peak) - porogVolts(threshold); }

double WalkCrossing::marginShare() const { return marginVolts() / porogVolts(threshold); }

std::optional<std::uint32_t> WalkCrossing::alarmDelayMs() const
{
    if (alarmMs == NONE || overMs == NONE)
        return std::nullopt;
    // The alarm and the field are separate requests of the poll cycle: the alarm may be read
    // before the field that caused it.
    return alarmMs > overMs ? alarmMs - overMs : 0;
}

void WalkTest::start(std::uint32_t ms)
{
    if (FRunning)
        return;
    FRunning = true;
    if (!FStarted)
        FStartMs = ms;
    FStarted = true;
    // The rest level is learnt afresh: the zone may have changed while the test was stopped.
    FWindow.clear();
    FSettling.clear();
    FWindowCounts.fill(0);
    FOpen = false;
    FBelowSince = WalkCrossing::NONE;
}

void WalkTest::stop(std::uint32_t ms)
{
    if (!FRunning)
        return;
    if (FOpen)
        close(FLastMs);
    FRunning = false;
    FStopMs = ms;
}

void WalkTest::clear()
{
    const bool running = FRunning;
    const std::uint32_t now = FLastMs;
    const double margin = FMargin;
    const QString place = FPlace;
    *this = WalkTest{};
    FMargin = margin;
    FPlace = place;
    if (running)
        start(now);
}

bool WalkTest::learning() const
{
    if (FWindow.empty())
        return true;
    const std::uint32_t newest = FSettling.empty() ? FWindow.back().first : FSettling.back().first;
    return newest - FWindow.front().first < LEARN_MS;
}

TValPole WalkTest::restMedian() const { return percentile(FWindowCounts, FWindow.size(), 0.5); }

int WalkTest::riseLevel() const
{
    const int median = restMedian();
    const int noise = percentile(FWindowCounts, FWindow.size(), 1 - SPIKE_SHARE) - median;
    return median + std::max(2 * noise, MIN_RISE);
}

void WalkTest::take(const SessionSample& s)
{
    if (!FRunning)
        return;
    if (FOpen && (s.afterGap() || !s.duty()))
        close(FLastMs);
    if (s.duty())
        follow(s);
    noteAlarm(s);
    FPrevAlarm = s.alarm();
    FLastMs = s.ms;
}

void WalkTest::settle(std::uint32_t now)
{
    while (!FSettling.empty() && FSettling.front().first + SETTLE_MS <= now) {
        learn(FSettling.front().first, FSettling.front().second);
        FSettling.pop_front();
    }
}

void WalkTest::learn(std::uint32_t ms, TValPole field)
{
    FWindow.emplace_back(ms, field);
    ++FWindowCounts[field];
    ++FRestCounts[field];
    while (FWindow.front().first + REST_WINDOW_MS < ms) {
        --FWindowCounts[FWindow.front().second];
        FWindow.pop_front();
    }
}

void WalkTest::follow(const SessionSample& s)
{
    if (!FOpen) {
        settle(s.ms);
        if (learning() || s.field < riseLevel()) {
            FSettling.emplace_back(s.ms, s.field);
            return;
        }
        // What led up to it was the walker nearing, not rest.
        FSettling.clear();
        FOpen = true;
        FBelowSince = WalkCrossing::NONE;
        WalkCrossing c;
        c.startMs = c.endMs = c.peakMs = s.ms;
        c.peak = s.field;
        c.threshold = s.threshold;
        c.place = FPlace;
        FCrossings.push_back(c);
    }
    WalkCrossing& c = FCrossings.back();
    c.endMs = s.ms;
    if (s.field > c.peak) {
        c.peak = s.field;
        c.peakMs = s.ms;
        c.threshold = s.threshold;
    }
    if (c.overMs == WalkCrossing::NONE && s.aboveThreshold())
        c.overMs = s.ms;
    // Halfway back to rest is back: the hysteresis keeps a noisy return from ending and
    // starting crossings at every poll.
    const int median = restMedian();
    const bool back = s.field <= median + (riseLevel() - median) / 2;
    if (!back) {
        FBelowSince = WalkCrossing::NONE;
        return;
    }
    if (FBelowSince == WalkCrossing::NONE)
        FBelowSince = s.ms;
    if (s.ms - FBelowSince >= RETURN_MS)
        close(FBelowSince);
}

void WalkTest::close(std::uint32_t ms)
{
    WalkCrossing& c = FCrossings.back();
    c.endMs = std::max(c.startMs, std::min(ms, c.endMs));
    c.ended = true;
    FOpen = false;
    FBelowSince = WalkCrossing::NONE;
}

void WalkTest::noteAlarm(const SessionSample& s)
{
    if (FCrossings.empty() || !s.alarm() || s.transmitter())
        return;
    WalkCrossing& c = FCrossings.back();
    if (c.detected())
        return;
    const bool within = FOpen || s.ms <= c.endMs + ALARM_GRACE_MS;
    // An alarm still held from an earlier crossing says nothing of this one, unless the field
    // is over the threshold now and would have raised it anyway.
    if (within && (!FPrevAlarm || (s.duty() && s.aboveThreshold())))
        c.alarmMs = s.ms;
}

RestLevel WalkTest::rest() const
{
    RestLevel r;
    for (std::uint64_t n : FRestCounts)
        r.samples += std::size_t(n);
    if (r.samples == 0)
        return r;
    r.median = percentile(FRestCounts, r.samples, 0.5);
    r.lowest = percentile(FRestCounts, r.samples, SPIKE_SHARE);
    r.highest = percentile(FRestCounts, r.samples, 1 - SPIKE_SHARE);
    return r;
}

WalkVerdict WalkTest::verdict() const
{
    WalkVerdict v;
    for (const WalkCrossing& c : FCrossings) {
        ++v.crossings;
        v.detected += c.detected();
        v.withMargin += c.detected() && c.marginShare() >= FMargin - 1e-9;
    }
    return v;
}

ThresholdAdvice WalkTest::advice() const
{
    if (FCrossings.empty())
        return {};
    TValPole weakest = POLE_MAX;
    for (const WalkCrossing& c : FCrossings)
        weakest = std::min(weakest, c.peak);
    return thresholdAdvice(weakest, rest().highest, FMargin);
}

ThresholdAdvice thresholdAdvice(TValPole weakestPeak, TValPole restHighest, double margin)
{
    ThresholdAdvice a;
    const double weakest = poleVolts(weakestPeak), rest = poleVolts(restHighest);
    bool anyHigh = false, anyLow = false;
    for (TPosPorog t = 0; t <= POROG_MAX; ++t) {
        const double volts = porogVolts(t);
        if (weakest >= volts * (1 + margin) - 1e-9) {
            a.highest = t;
            anyHigh = true;
        }
        if (!anyLow && volts >= rest * (1 + margin) - 1e-9) {
            a.lowest = t;
            anyLow = true;
        }
    }
    a.possible = anyHigh && anyLow && a.highest >= a.lowest;
    return a;
}
