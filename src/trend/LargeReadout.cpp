#include "trend/LargeReadout.h"

#include "panel/colors.h"
#include "panel/fonts.h"
#include "panel/state_texts.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/TrendText.h"
#include "trend/texts.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
// Shares of the height, top to bottom: digits, zone, the line under them.
constexpr double DIGITS_SHARE = 0.58;
constexpr double ZONE_SHARE = 0.24;
// The digits' height within their band, and the unit's size beside them.
constexpr double DIGITS_FILL = 0.86;
constexpr double UNIT_SIZE = 0.3;

// The largest font of the program's face whose text fits the box: fill is the share of the
// box's height its digits (or capitals) take.
QFont fitted(const QString& text, const QSize& box, double fill, bool bold, double extraWidth = 0)
{
    QFont f = programFont(100, bold);
    const QFontMetricsF m(f);
    const double glyphs = m.tightBoundingRect(QStringLiteral("0")).height() / 100.0;
    double px = box.height() * fill / glyphs;
    const double width = m.horizontalAdvance(text) / 100.0 + extraWidth;
    if (width > 0)
        px = std::min(px, box.width() * 0.94 / width);
    f.setPixelSize(std::max(8, int(px)));
    return f;
}
}  // namespace

LargeReadout::LargeReadout(SessionRecord* record, QWidget* parent)
    : QWidget(parent), FRecord(record), FRefresh(new QTimer(this))
{
    setObjectName(QStringLiteral("largeView"));
    setAutoFillBackground(true);
    FRefresh->setInterval(REFRESH_MS);
    connect(FRefresh, &QTimer::timeout, this, &LargeReadout::refresh);
    refresh();
}

void LargeReadout::refresh()
{
    QString value = noneText(), zone, line;
    QColor colour = palette().color(QPalette::Window);
    const SessionSample* last = FRecord->last();
    if (!last) {
        line = QString::fromUtf8(NOTE_NO_DATA);
    } else if (last->transmitter()) {
        line = QString::fromUtf8(NOTE_TRANSMITTER);
    } else if (last->aligning()) {
        const AlignmentHold& hold = FRecord->alignment();
        value = QString::number(ustVolts(last->signal), 'f', 2);
        zone = ::zoneText(last->signal);
        switch (signalZone(last->signal)) {
        case SignalZone::Weak: colour = COL_UST_HYST_NIZ_ACT; break;
        case SignalZone::Normal: colour = COL_UST_HYST_MIDDLE_ACT; break;
        case SignalZone::Strong: colour = COL_UST_HYST_VERH_ACT; break;
        }
        line = QString::fromUtf8(STAT_MAX_HOLD)
                   .arg(voltsText(ustVolts(hold.max)), ::zoneText(hold.max));
    } else if (last->duty()) {
        value = QString::number(poleVolts(last->field), 'f', 2);
        // The alarm the unit reports, as the panel's state line says it.
        zone = QString::fromUtf8(last->alarm() ? SOST_TR : SOST_NORM);
        colour = last->alarm() ? COL_PAN_SOST_TR : COL_PAN_SOST_NORM;
        line = QString::fromUtf8(LARGE_THRESHOLD).arg(voltsText(porogVolts(last->threshold)));
    }
    if (value == FValue && zone == FZone && line == FLine && colour == FZoneColour)
        return;
    FValue = value;
    FZone = zone;
    FLine = line;
    FZoneColour = colour;
    update();
}

QRect LargeReadout::digitsRect() const { return {0, 0, width(), int(height() * DIGITS_SHARE)}; }

QRect LargeReadout::zoneRect() const
{
    const int top = int(height() * DIGITS_SHARE);
    return {0, top, width(), int(height() * (DIGITS_SHARE + ZONE_SHARE)) - top};
}

QFont LargeReadout::digitFont() const
{
    const QRect r = digitsRect();
    // The unit takes its share of the width beside the digits.
    const QString unit = QString::fromUtf8(VOLT_UNIT);
    const double unitWidth = QFontMetricsF(programFont(100)).horizontalAdvance(unit) / 100.0 * UNIT_SIZE;
    return fitted(FValue, r.size(), DIGITS_FILL, true, unitWidth);
}

void LargeReadout::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink = palette().color(QPalette::WindowText);

    // The digits and, on their baseline, the unit.
    const QRect digits = digitsRect();
    const QFont big = digitFont();
    QFont small = programFont(std::max(8, int(big.pixelSize() * UNIT_SIZE)));
    const QString unit = FValue == noneText() ? QString() : QString::fromUtf8(VOLT_UNIT);
    const QFontMetrics bigMetrics(big), smallMetrics(small);
    const int total = bigMetrics.horizontalAdvance(FValue) + smallMetrics.horizontalAdvance(unit);
    const int left = digits.center().x() - total / 2;
    const QRect ink0 = bigMetrics.tightBoundingRect(QStringLiteral("0"));
    const int baseline = digits.center().y() + ink0.height() / 2;
    p.setPen(ink);
    p.setFont(big);
    p.drawText(left, baseline, FValue);
    p.setFont(small);
    p.drawText(left + bigMetrics.horizontalAdvance(FValue), baseline, unit);

    // The zone: its band in the zone's colour, its name across it.
    const QRect zone = zoneRect();
    if (!FZone.isEmpty()) {
        p.fillRect(zone.adjusted(8, 4, -8, -4), FZoneColour);
        p.setFont(fitted(FZone, zone.size(), 0.55, true));
        p.drawText(zone, Qt::AlignCenter, FZone);
    }

    const QRect under(0, zone.bottom() + 1, width(), height() - zone.bottom() - 1);
    p.setFont(fitted(FLine, under.size(), 0.45, false));
    p.drawText(under, Qt::AlignCenter, FLine);
}

void LargeReadout::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    refresh();
    FRefresh->start();
}

void LargeReadout::hideEvent(QHideEvent* e)
{
    FRefresh->stop();
    QWidget::hideEvent(e);
}
