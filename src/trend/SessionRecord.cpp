#include "trend/SessionRecord.h"

#include "protocol/DetectorUnits.h"
#include "trend/WalkTest.h"

#include <algorithm>

namespace {
TValPole median(const std::array<std::uint64_t, 256>& counts, std::uint64_t total)
{
    if (total == 0)
        return 0;
    std::uint64_t seen = 0;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        seen += counts[v];
        if (2 * seen >= total)
            return TValPole(v);
    }
    return 0;
}

bool sameSettings(const SessionSample& a, const SessionSample& b)
{
    return a.mode == b.mode && a.threshold == b.threshold && a.letter == b.letter && a.range == b.range &&
           a.address == b.address && a.transmitter() == b.transmitter();
}

// What a thinned sample keeps of the polls it stands for: the strongest reading of its mode.
int strength(const SessionSample& s) { return s.aligning() ? s.signal : s.field; }

void countCrossing(DutySummary& summary, const Crossing& c)
{
    summary.smallestMarginVolts =
        summary.crossings == 0 ? c.marginVolts() : std::min(summary.smallestMarginVolts, c.marginVolts());
    ++summary.crossings;
}

void countPeak(DutySummary& summary, const SessionSample& s)
{
    if (summary.samples == 0 || s.field > summary.peak) {
        summary.peak = s.field;
        summary.peakMs = s.ms;
        summary.peakThreshold = s.threshold;
    }
    ++summary.samples;
}
}  // namespace

bool SessionSample::aboveThreshold() const { return field > porogInPole(threshold); }

double Crossing::marginVolts() const { return poleVolts(peak) - porogVolts(threshold); }

double DutySummary::peakMarginVolts() const { return poleVolts(peak) - porogVolts(peakThreshold); }

SessionRecord::SessionRecord() : FStartedAt(QDateTime::currentDateTime()), FWalk(std::make_unique<WalkTest>())
{
    FClock.start();
}

SessionRecord::~SessionRecord() = default;

std::uint32_t SessionRecord::elapsedMs() const
{
    return FEndedMs ? *FEndedMs : std::uint32_t(FClock.elapsed());
}

void SessionRecord::end()
{
    if (FEndedMs)
        return;
    FWalk->stop(elapsedMs());
    FEndedMs = elapsedMs();
}

TLitera SessionRecord::lastLetter() const { return size() ? last()->letter : TLitera(0); }

void SessionRecord::resetMaxHold()
{
    if (!FAlign.seen)
        return;
    FAlign.max = FAlign.last;
    FAlign.maxMs = FAlign.lastMs;
}

void SessionRecord::add(SessionSample s)
{
    if (FGapPending)
        s.flags |= SessionSample::AfterGap;
    FGapPending = false;
    // Time never runs back within a session, whatever the caller's clock did.
    if (!FWhole.empty())
        s.ms = std::max(s.ms, FWhole.back().ms);
    follow(s);
    FWalk->take(s);
    FWhole.push_back(s);
    while (!FWhole.empty() && (FWhole.front().ms + WHOLE_MS < s.ms || FWhole.size() > WHOLE_MAX))
        thinOldest();
}

void SessionRecord::follow(const SessionSample& s)
{
    if (s.duty()) {
        ++FFieldCounts[s.field];
        countPeak(FSession, s);
    }
    FCrossings.take(s, [this](const Crossing& c) { countCrossing(FSession, c); });

    if (s.aligning()) {
        if (!FWasAligning || !FAlign.seen || s.signal > FAlign.max) {
            FAlign.max = s.signal;
            FAlign.maxMs = s.ms;
        }
        FAlign.seen = true;
        FAlign.last = s.signal;
        FAlign.lastMs = s.ms;
    }
    FWasAligning = s.aligning();
}

void SessionRecord::thinOldest()
{
    const SessionSample s = FWhole.front();
    FWhole.pop_front();
    if (!FThinned.empty()) {
        SessionSample& kept = FThinned.back();
        if (kept.ms / THINNED_STEP_MS == s.ms / THINNED_STEP_MS && sameSettings(kept, s) && !s.afterGap()) {
            const std::uint8_t sticky = std::uint8_t((kept.flags | s.flags) & SessionSample::Alarm);
            const std::uint8_t state = std::uint8_t(kept.state | s.state);
            const std::uint16_t measured = std::uint16_t(kept.measured | s.measured);
            if (strength(s) > strength(kept)) {
                const std::uint8_t gap = kept.flags & SessionSample::AfterGap;
                kept = s;
                kept.flags |= gap;
            }
            kept.flags |= sticky;
            kept.state = state;
            kept.measured = measured;
            return;
        }
    }
    FThinned.push_back(s);
}

const SessionSample& SessionRecord::at(std::size_t i) const
{
    return i < FThinned.size() ? FThinned[i] : FWhole[i - FThinned.size()];
}

std::size_t SessionRecord::firstFrom(std::uint32_t ms) const
{
    const auto byTime = [](const SessionSample& s, std::uint32_t t) { return s.ms < t; };
    if (!FWhole.empty() && FWhole.front().ms <= ms)
        return FThinned.size() + std::size_t(std::lower_bound(FWhole.begin(), FWhole.end(), ms, byTime) - FWhole.begin());
    return std::size_t(std::lower_bound(FThinned.begin(), FThinned.end(), ms, byTime) - FThinned.begin());
}

DutySummary SessionRecord::dutySince(std::uint32_t fromMs, std::vector<Crossing>* crossings) const
{
    DutySummary summary;
    std::array<std::uint64_t, 256> counts{};
    CrossingTracker tracker;
    const auto done = [&](const Crossing& c) {
        countCrossing(summary, c);
        if (crossings)
            crossings->push_back(c);
    };
    for (std::size_t i = firstFrom(fromMs), n = size(); i < n; ++i) {
        const SessionSample& s = at(i);
        tracker.take(s, done);
        if (!s.duty())
            continue;
        ++counts[s.field];
        countPeak(summary, s);
    }
    tracker.finish(done);
    summary.rest = median(counts, summary.samples);
    return summary;
}

DutySummary SessionRecord::dutySession() const
{
    DutySummary summary = FSession;
    summary.rest = median(FFieldCounts, summary.samples);
    // A crossing still under way counts as it stands.
    if (FCrossings.open())
        countCrossing(summary, FCrossings.current());
    return summary;
}

std::size_t SessionRecord::bytesHeld() const
{
    return FThinned.capacity() * sizeof(SessionSample) + FWhole.size() * sizeof(SessionSample);
}
