#include "trend/TrendText.h"

#include "panel/readouts.h"
#include "panel/state_texts.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/texts.h"

#include <QDateTime>

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

QString modeText(TRejim mode)
{
    switch (mode) {
    case dej: return QString::fromUtf8(MODE_DUTY);
    case ust: return QString::fromUtf8(MODE_ALIGNMENT);
    case vklpit: return QString::fromUtf8(MODE_POWER_ON);
    }
    return {};
}

QString timeOfDayText(const SessionRecord& record, std::uint32_t ms)
{
    return record.startedAt().addMSecs(ms).toString(QStringLiteral("HH:mm:ss"));
}

QString unitText(TIdent ident, std::int32_t address, TLitera letter)
{
    const bool transmitter = ident == IDENT_PERED;
    return QString::fromUtf8(transmitter ? FILE_TRANSMITTER : FILE_RECEIVER)
        .arg(QString::fromUtf8(unitName(ident)))
        .arg(transmitter ? int(letter) : int(address));
}

QString sessionUnitText(const SessionRecord& record)
{
    const SessionUnit& u = record.unit();
    return unitText(u.ident, u.address, record.lastLetter());
}

QString suggestedFileName(const char* pattern, const TDetectorState& unit, const QDateTime& at)
{
    const QString who = unitText(unit.FIdent, unit.FAddr, unit.FLit);
    const QString when = at.toString(QStringLiteral("yyyy-MM-dd HH-mm"));
    return safeFileName(QString::fromUtf8(pattern).arg(who + QLatin1Char(' ') + when));
}

QString safeFileName(QString name)
{
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c))
            c = QLatin1Char('-');
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}
