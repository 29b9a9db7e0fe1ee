#pragma once
// The unit's values as the panel's read-outs write them; the report writes them the same way.
#include "panel/state_texts.h"
#include "protocol/DetectorUnits.h"

#include <QString>
#include <array>
#include <cmath>

inline const char* unitName(TIdent code)
{
    switch (code) {
    case 21: return IZV_M50;
    case 22: return IZV_M100;
    case 23: return IZV_M200;
    case 31: return IZV_M300;
    case IDENT_PERED: return IZV_PERED;
    default: return IZV_UNKNOWN;
    }
}

inline QString firmwareText(std::array<std::uint8_t, 2> version)
{
    return QStringLiteral("%1.%2").arg(version[0]).arg(version[1]);
}

// Tenths of a volt as the read-outs show them: "2.5 B".
inline QString voltText(int tenths)
{
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10) + QString::fromUtf8(VOLT_UNIT);
}

inline int porogTenths(TPosPorog p) { return 10 + shownPorog(p); }
// No value in range lands on a half, so the rounding mode never matters.
inline int poleTenths(TValPole v) { return int(std::nearbyint(shownPole(v) * 30.0 / POLE_MAX)); }
inline int ustTenths(TPosUstMarker s) { return int(std::nearbyint(shownUst(s) * 30.0 / UST_MAX)); }
