#include "panel/scales.h"

#include "panel/colors.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

// The size a paint area has right now; the nominal one when there is none.
QSize areaSize(const QWidget* area, QSize nominal)
{
    return area ? area->size() : nominal;
}

QRect toQRect(const TRect& r)
{
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

// Border pixels in the pen colour, the inside in the brush; Right and Bottom stay outside.
void outlinedRect(QPainter& canvas, const TRect& r, const QBrush& brush)
{
    const QRect q = toQRect(r);
    if (q.isEmpty())
        return;
    canvas.fillRect(q, canvas.pen().color());
    canvas.fillRect(q.adjusted(1, 1, -1, -1), brush);
}

void filledRect(QPainter& canvas, const TRect& r, const QBrush& brush)
{
    const QRect q = toQRect(r);
    if (!q.isEmpty())
        canvas.fillRect(q, brush);
}
}  // namespace

// ---- Threshold marker ----

std::uint8_t TPorogMarker::getPosPorog(std::uint8_t p) const
{
    return std::uint8_t(POROG_MAX - std::min(p, POROG_MAX));
}

std::uint8_t TPorogMarker::getPosPorogReal(const TRect& r) const
{
    // A drag keeps Top within 5..75; anything beyond is held to the travel's ends.
    const long steps = std::lrint((r.Top - POROG_TOP) / POROG_STEP);
    return std::uint8_t(std::clamp<long>(steps, 0, POROG_MAX));
}

TRect TPorogMarker::getKoorPorogMarker(std::uint8_t p) const
{
    const int top = int(std::lrint(getPosPorog(p) * POROG_STEP + POROG_TOP));
    const int width = areaSize(FArea, {162, 85}).width();
    return {0, top, width, top + 5};
}

bool TPorogMarker::inAreaMarker(std::int32_t x, std::int32_t y) const
{
    return areaMarker.Left <= x && x < areaMarker.Right && areaMarker.Top <= y && y < areaMarker.Bottom;
}

void TPorogMarker::init()
{
    const int h = areaSize(FArea, {162, 85}).height();
    brStyle = Qt::SolidPattern;
    brColorMarker = cl3DLight();
    brColorPolka = clSilver;
    areaPolkaVerh = {0, 0, 44, 5};
    areaPolkaNiz = {0, h - 5, 44, h};
    markerZahvat = false;
    yOffset = 0;
}

void TPorogMarker::draw(QPainter& canvas) const
{
    outlinedRect(canvas, areaPolkaVerh, QBrush(brColorPolka, brStyle));
    outlinedRect(canvas, areaPolkaNiz, QBrush(brColorPolka, brStyle));
    outlinedRect(canvas, areaMarker, QBrush(brColorMarker, brStyle));
}

// ---- Field bar ----

std::uint8_t TPoleHyst::getTopPoleHyst(std::uint8_t v) const
{
    // Above the range the bar is simply full.
    return std::uint8_t(POLE_MAX - std::min(v, POLE_MAX));
}

void TPoleHyst::init(std::uint8_t v)
{
    const QSize s = areaSize(FArea, {89, 154});
    brStyle = Qt::SolidPattern;
    brColorAllHyst = cl3DLight();
    brColorPoleHyst = cl3DLight();
    areaAllHyst = {0, 0, s.width(), s.height()};
    areaPoleHyst = {0, getTopPoleHyst(v), s.width(), s.height()};
}

void TPoleHyst::draw(QPainter& canvas) const
{
    filledRect(canvas, areaAllHyst, QBrush(brColorAllHyst, brStyle));
    filledRect(canvas, areaPoleHyst, QBrush(brColorPoleHyst, brStyle));
}

// ---- Alignment zones ----

void TUstHyst::init()
{
    const QSize s = areaSize(FArea, {33, 157});
    const int w = s.width(), h = s.height();
    brStyleUstHyst = Qt::SolidPattern;
    brColorUstHystVerh = cl3DLight();
    brColorUstHystMiddle = cl3DLight();
    brColorUstHystNiz = cl3DLight();
    areaUstHystVerh = {0, 0, w, h - 136};
    areaUstHystNiz = {0, h - 33, w, h};
    areaUstHystMiddle = {0, areaUstHystVerh.Bottom, w, areaUstHystNiz.Top};
}

void TUstHyst::draw(QPainter& canvas) const
{
    filledRect(canvas, areaUstHystVerh, QBrush(brColorUstHystVerh, brStyleUstHyst));
    filledRect(canvas, areaUstHystMiddle, QBrush(brColorUstHystMiddle, brStyleUstHyst));
    filledRect(canvas, areaUstHystNiz, QBrush(brColorUstHystNiz, brStyleUstHyst));
}

// ---- Alignment marker ----

std::uint8_t TUstMarker::getPosUstMarker(std::uint8_t s) const
{
    // Above the range the marker stays at the top of its area.
    return std::uint8_t(155 - std::min(s, UST_MAX));
}

TRect TUstMarker::getKoorUstMarker(std::uint8_t s) const
{
    const int c = getPosUstMarker(s);
    const int width = areaSize(FArea, {45, 157}).width();
    return {0, c - 2, width, c + 2};
}

void TUstMarker::init()
{
    brStyleUstMarker = Qt::SolidPattern;
    brColorUstMarker = cl3DLight();
}

void TUstMarker::draw(QPainter& canvas) const
{
    outlinedRect(canvas, areaUstMarker, QBrush(brColorUstMarker, brStyleUstMarker));
}
