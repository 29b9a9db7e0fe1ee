#pragma once
// The detector's raw values in volts, and the limits that give them a meaning. The panel, the
// trend and the commissioning report all read the unit through these, so they never disagree.
#include "protocol/DetectorState.h"

#include <algorithm>
#include <cmath>

// Alignment positions outside 31..134 mean the units are badly aimed.
constexpr TPosUstMarker UST_NORM_MIN = 31;
constexpr TPosUstMarker UST_NORM_MAX = 134;

// Only these bits of the state byte mean anything to us.
constexpr std::uint8_t BIT_TR_MASKA = 0x01;   // relay open
constexpr std::uint8_t BIT_PIT_MASKA = 0x02;  // supply low
constexpr std::uint8_t BIT_KR_MASKA = 0x10;   // lid open

// The detector may report values beyond its ranges; they are kept as reported and shown at
// the end of the scale.
inline TPosPorog shownPorog(TPosPorog p) { return std::min(p, POROG_MAX); }
inline TValPole shownPole(TValPole v) { return std::min(v, POLE_MAX); }
inline TPosUstMarker shownUst(TPosUstMarker s) { return std::min(s, UST_MAX); }

// The field and alignment scales both end at 3.0 V; the threshold runs 1.0 .. 2.5 V.
inline double poleVolts(TValPole v) { return shownPole(v) * 3.0 / POLE_MAX; }
inline double ustVolts(TPosUstMarker s) { return shownUst(s) * 3.0 / UST_MAX; }
inline double porogVolts(TPosPorog p) { return 1.0 + 0.1 * shownPorog(p); }

// The threshold on the field scale (256 units per 5 V), so the two can be compared: the field
// is above the threshold exactly when it is greater than this.
inline TValPole porogInPole(TPosPorog p)
{
    return TValPole(std::nearbyint((shownPorog(p) * 0.1 + 1.0) * 256 / 5));
}

enum class SignalZone { Weak, Normal, Strong };

inline SignalZone signalZone(TPosUstMarker s)
{
    if (s > UST_NORM_MAX)
        return SignalZone::Strong;
    if (s < UST_NORM_MIN)
        return SignalZone::Weak;
    return SignalZone::Normal;
}
