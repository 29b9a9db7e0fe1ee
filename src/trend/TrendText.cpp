#include "trend/TrendText.h"

#include "panel/state_texts.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/texts.h"

QString voltsText(double volts) { return QString::number(volts, 'f', 2) + QString::fromUtf8(VOLT_UNIT); }

QString marginText(double volts)
{
    // Rounded first, so that a margin of a few thousandths never reads "-0.00".
    const double shown = std::round(volts * 100) / 100;
    return (shown > 0 ? QStringLiteral("+") : QString()) + voltsText(shown == 0 ? 0.0 : shown);
}

QString noneText() { return QString::fromUtf8(STAT_NONE); }

QString zoneText(TPosUstMarker signal)
{
    switch (signalZone(signal)) {
    case SignalZone::Weak: return QString::fromUtf8(ZONE_WEAK);
    case SignalZone::Strong: return QString::fromUtf8(ZONE_STRONG);
    case SignalZone::Normal: break;
    }
    return QString::fromUtf8(ZONE_NORMAL);
}

QString timeOfDayText(const SessionRecord& record, std::uint32_t ms)
{
    return record.startedAt().addMSecs(ms).toString(QStringLiteral("HH:mm:ss"));
}
