#pragma once
// Everything the panel showed during this session, one sample per accepted reply: what the
// trend draws, the CSV file holds and the commissioning report sums up. The last hour is kept
// whole; older samples are thinned to one per 100 ms, so a whole shift stays within tens of
// megabytes.
#include "protocol/DetectorState.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class WalkTest;

struct SessionSample {
    enum Flag : std::uint8_t {
        Alarm = 1,
        AfterGap = 2,
        Transmitter = 4,
        // The unit has reported the value since polling began; before that it means nothing.
        FieldKnown = 8,
        SignalKnown = 16,
    };

    std::uint32_t ms = 0;  // since the session began
    TValPole field = 0;
    TPosUstMarker signal = 0;
    TPosPorog threshold = 0;
    TRejim mode = dej;
    std::uint8_t state = 0;  // the state byte: relay, supply, lid
    TLitera letter = 1;
    Skorost range = 0;
    std::uint8_t address = 0;
    std::uint8_t flags = 0;
    // What the reply behind this sample carried (DetectorValue bits); the other values are
    // the last ones known.
    std::uint16_t measured = 0;
    bool carried(DetectorValue v) const { return measured & v; }

    bool alarm() const { return flags & Alarm; }
    // The first sample after the link was lost: the trend leaves a gap before it.
    bool afterGap() const { return flags & AfterGap; }
    bool transmitter() const { return flags & Transmitter; }
    bool fieldKnown() const { return flags & FieldKnown; }
    bool signalKnown() const { return flags & SignalKnown; }
    // A receiver's field in duty mode, or its signal while aligned, as reported.
    bool duty() const { return mode == dej && !transmitter() && fieldKnown(); }
    bool aligning() const { return (mode == ust || mode == vklpit) && !transmitter() && signalKnown(); }
    // The field above the threshold, compared as the panel compares them.
    bool aboveThreshold() const;
};

// A run of duty samples with the field above the threshold (someone crossing the zone).
struct Crossing {
    std::uint32_t startMs = 0, endMs = 0, peakMs = 0;
    TValPole peak = 0;
    TPosPorog threshold = 0;  // at the peak
    double marginVolts() const;
};

// Follows duty samples one at a time and hands each finished crossing to done.
class CrossingTracker {
public:
    bool open() const { return FOpen; }
    const Crossing& current() const { return FRun; }

    template <class Done>
    void take(const SessionSample& s, Done&& done)
    {
        const bool above = s.duty() && s.aboveThreshold();
        if (FOpen && (!above || s.afterGap())) {
            done(FRun);
            FOpen = false;
        }
        if (!above)
            return;
        if (!FOpen) {
            FOpen = true;
            FRun = Crossing{s.ms, s.ms, s.ms, s.field, s.threshold};
        }
        FRun.endMs = s.ms;
        if (s.field > FRun.peak) {
            FRun.peak = s.field;
            FRun.peakMs = s.ms;
            FRun.threshold = s.threshold;
        }
    }
    template <class Done>
    void finish(Done&& done)
    {
        if (FOpen)
            done(FRun);
        FOpen = false;
    }

private:
    bool FOpen = false;
    Crossing FRun;
};

struct DutySummary {
    std::size_t samples = 0;  // duty samples counted
    TValPole rest = 0;        // the median field: where it settles with nobody in the zone
    TValPole peak = 0;        // the highest field
    std::uint32_t peakMs = 0;
    TPosPorog peakThreshold = 0;
    std::size_t crossings = 0;
    // The crossing that cleared the threshold by the least; valid when crossings > 0.
    double smallestMarginVolts = 0;
    // The highest field over the threshold at its moment (negative: it never reached it).
    double peakMarginVolts() const;
};

// The strongest signal since the unit last entered alignment (or the installer reset it), and
// when it was seen; last is the signal now, or when alignment ended.
struct AlignmentHold {
    bool seen = false;
    TPosUstMarker last = 0;
    std::uint32_t lastMs = 0;
    TPosUstMarker max = 0;
    std::uint32_t maxMs = 0;
};

// Which unit a session belongs to: another kind, model, address or firmware is another unit.
struct SessionUnit {
    bool known = false;
    TIdent ident = 0;
    std::array<std::uint8_t, 2> firmware{0, 0};
    std::int32_t address = 0;

    bool transmitter() const { return ident == IDENT_PERED; }
    bool operator==(const SessionUnit& o) const
    {
        return known == o.known && ident == o.ident && firmware == o.firmware && address == o.address;
    }
    bool operator!=(const SessionUnit& o) const { return !(*this == o); }
};

class SessionRecord {
public:
    static constexpr std::uint32_t WHOLE_MS = 3600 * 1000;  // kept poll by poll
    static constexpr std::uint32_t THINNED_STEP_MS = 100;   // one sample per step before that
    // However fast the line, the whole part never holds more than this many samples.
    static constexpr std::size_t WHOLE_MAX = 3'000'000;

    SessionRecord();
    ~SessionRecord();

    QDateTime startedAt() const { return FStartedAt; }
    // Runs until the session ends, then stands still at its end.
    std::uint32_t elapsedMs() const;
    void end();
    bool ended() const { return FEndedMs.has_value(); }

    const SessionUnit& unit() const { return FUnit; }
    void setUnit(const SessionUnit& unit) { FUnit = unit; }
    // The transmitter's letter or the receiver's settings as last reported.
    TLitera lastLetter() const;

    void add(SessionSample s);
    // The link was lost: the next sample starts a new stretch.
    void markGap() { FGapPending = true; }

    // Oldest first; the thinned part, then the whole.
    std::size_t size() const { return FThinned.size() + FWhole.size(); }
    const SessionSample& at(std::size_t i) const;
    // The index of the first sample at or after ms (size() when there is none).
    std::size_t firstFrom(std::uint32_t ms) const;
    const SessionSample* last() const { return size() ? &at(size() - 1) : nullptr; }

    // The duty samples from fromMs on, with the crossings among them when asked for.
    DutySummary dutySince(std::uint32_t fromMs, std::vector<Crossing>* crossings = nullptr) const;
    // The whole session, kept as it goes, so that thinning never loses a peak or a crossing.
    DutySummary dutySession() const;
    const AlignmentHold& alignment() const { return FAlign; }
    // Whether the unit was in alignment at any time of the session.
    bool alignedThisSession() const { return FAlign.seen; }
    // Max-hold starts again from the signal now; the unit is not asked anything.
    void resetMaxHold();

    WalkTest& walk() { return *FWalk; }
    const WalkTest& walk() const { return *FWalk; }

    // Approximate bytes held, for the benchmark.
    std::size_t bytesHeld() const;

private:
    void thinOldest();
    void follow(const SessionSample& s);

    QDateTime FStartedAt;
    QElapsedTimer FClock;
    std::optional<std::uint32_t> FEndedMs;
    SessionUnit FUnit;
    std::unique_ptr<WalkTest> FWalk;
    bool FGapPending = true;
    std::vector<SessionSample> FThinned;
    std::deque<SessionSample> FWhole;

    // Running totals over the whole session.
    std::array<std::uint64_t, 256> FFieldCounts{};
    std::size_t FDutySamples = 0;
    DutySummary FSession;
    CrossingTracker FCrossings;
    bool FWasAligning = false;
    AlignmentHold FAlign;
};
