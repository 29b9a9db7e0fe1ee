#include "trend/TrendPlacement.h"

#include <QtGlobal>

namespace {

enum Side { Right, Left, Below, Above };

// The room on one side of the main window, as far as the screen goes.
QRect roomOn(Side side, const QRect& main, const QRect& available)
{
    QRect room = available;
    switch (side) {
    case Right: room.setLeft(main.right() + 1); break;
    case Left: room.setRight(main.left() - 1); break;
    case Below: room.setTop(main.bottom() + 1); break;
    case Above: room.setBottom(main.top() - 1); break;
    }
    return room.intersected(available);
}

// Against the main window's side, lined up with its top (or its left), kept inside area,
// which holds size.
QRect against(Side side, const QRect& main, QSize size, const QRect& area)
{
    const int x = side == Right ? area.left()
                : side == Left  ? area.right() + 1 - size.width()
                                : qBound(area.left(), main.left(), area.right() + 1 - size.width());
    const int y = side == Below ? area.top()
                : side == Above ? area.bottom() + 1 - size.height()
                                : qBound(area.top(), main.top(), area.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}

qint64 areaOf(const QRect& r) { return r.isEmpty() ? 0 : qint64(r.width()) * r.height(); }

}  // namespace

QRect placeTrend(QRect mainFrame, QSize trendSize, QRect available)
{
    const QSize size = trendSize.boundedTo(available.size());
    const Side sides[4] = {Right, Left, Below, Above};

    for (Side side : sides) {
        const QRect room = roomOn(side, mainFrame, available);
        if (room.width() >= size.width() && room.height() >= size.height())
            return against(side, mainFrame, size, room);
    }

    const QSize least = size.boundedTo(QSize(TREND_LEAST_WIDTH, TREND_LEAST_HEIGHT));
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < 4; ++i) {
        const QRect room = roomOn(sides[i], mainFrame, available);
        const QSize fits = size.boundedTo(room.size());
        if (fits.width() >= least.width() && fits.height() >= least.height() && areaOf(QRect(QPoint(), fits)) > bestArea) {
            best = i;
            bestArea = areaOf(QRect(QPoint(), fits));
        }
    }
    if (best >= 0) {
        const QRect room = roomOn(sides[best], mainFrame, available);
        return against(sides[best], mainFrame, size.boundedTo(room.size()), room);
    }

    // No room anywhere: against the screen's edge on each side in turn, the place that hides
    // the least of the main window.
    QRect placed;
    qint64 hidden = -1;
    for (Side side : sides) {
        const int x = side == Right ? available.right() + 1 - size.width()
                    : side == Left  ? available.left()
                                    : qBound(available.left(), mainFrame.left(), available.right() + 1 - size.width());
        const int y = side == Below ? available.bottom() + 1 - size.height()
                    : side == Above ? available.top()
                                    : qBound(available.top(), mainFrame.top(), available.bottom() + 1 - size.height());
        const QRect r(QPoint(x, y), size);
        const qint64 covered = areaOf(r.intersected(mainFrame));
        if (hidden < 0 || covered < hidden) {
            placed = r;
            hidden = covered;
        }
    }
    return placed;
}

bool reachableOn(QPoint topLeft, int width, const QList<QRect>& areas)
{
    const qint64 left = topLeft.x();
    const qint64 top = topLeft.y();
    const qint64 right = left + qMax(width, 100);
    const qint64 bottom = top + 30;
    for (const QRect& area : areas) {
        const qint64 seenWidth = qMin<qint64>(right, qint64(area.x()) + area.width()) - qMax<qint64>(left, area.x());
        const qint64 seenHeight = qMin<qint64>(bottom, qint64(area.y()) + area.height()) - qMax<qint64>(top, area.y());
        if (seenWidth >= 50 && seenHeight >= 10)
            return true;
    }
    return false;
}
