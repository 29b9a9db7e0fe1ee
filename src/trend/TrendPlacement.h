#pragma once
// Where the trend window opens: on a laptop's screen the installer has to see it and the main
// window's controls at once.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Below this the chart tells little; the trend is then better laid partly over the main window.
inline constexpr int TREND_LEAST_WIDTH = 480;
inline constexpr int TREND_LEAST_HEIGHT = 320;

// The trend's frame, in screen coordinates, for the main window's frame and the screen's
// available area: beside the main window (right, then left) or below it (then above) when the
// room there holds it whole; else in the largest of those rooms, made smaller, when it still
// gets its least size there; else at full size where it covers the least of the main window.
// Always inside available, never larger than it.
QRect placeTrend(QRect mainFrame, QSize trendSize, QRect available);

// Some of the title bar of a window at topLeft lies on one of the areas, so that it can be
// grabbed and moved; counted in 64 bits, since the position may come from an edited file.
bool reachableOn(QPoint topLeft, int width, const QList<QRect>& areas);
