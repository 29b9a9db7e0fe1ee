#include "panel/colors.h"

#include <QApplication>
#include <QPalette>

// Set once from the platform's palette when the window is made (init_color_scheme), then only read.
QColor clOrange, clRose, clMyGreen;
QColor COL_PAN_REJIM_ACT, COL_PAN_REJIM_INACT;
QColor COL_POLE_HYST_TR, COL_POLE_HYST_NORM;
QColor COL_UST_HYST_VERH_ACT, COL_UST_HYST_MIDDLE_ACT, COL_UST_HYST_NIZ_ACT;
QColor COL_PAN_RELE_TR, COL_PAN_RELE_NORM;
QColor COL_PAN_KR_TR, COL_PAN_KR_NORM;
QColor COL_PAN_PIT_NIZK, COL_PAN_PIT_NORM;
QColor COL_PAN_SOST_TR, COL_PAN_SOST_NORM;

// The platform colours the window is drawn with, taken by role from the application
// palette (the Fusion palette in practice):
//   button face      -> Button
//   3-D light        -> Midlight
//   scroll bar       -> halfway between Mid and Dark: greyed text drawn in it on a 3-D light
//                       background keeps the faint but readable contrast the window needs
//                       (Mid alone is too close to Midlight)
//   window text      -> WindowText
//   info-tip         -> ToolTipBase
//   active caption   -> Highlight
//   inactive caption -> Highlight blended 60 % towards Base, the same hue made pale
namespace {
// Held to 8 bits a channel like every other colour of the program: some palette colours are
// computed at a finer precision and would never compare equal to what the screen shows.
QColor role(QPalette::ColorRole r)
{
    return QColor(QApplication::palette().color(QPalette::Active, r).rgb());
}

QColor blend(const QColor& a, const QColor& b, double towardsB)
{
    auto mix = [towardsB](int x, int y) { return int(x + (y - x) * towardsB + 0.5); };
    return {mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())};
}
}  // namespace

QColor clBtnFace() { return role(QPalette::Button); }
QColor cl3DLight() { return role(QPalette::Midlight); }
QColor clScrollBar() { return blend(role(QPalette::Mid), role(QPalette::Dark), 0.5); }
QColor clWindowText() { return role(QPalette::WindowText); }
QColor clInfoBk() { return role(QPalette::ToolTipBase); }
QColor clActiveCaption() { return role(QPalette::Highlight); }
QColor clInactiveCaption() { return blend(role(QPalette::Highlight), role(QPalette::Base), 0.6); }

void init_color_scheme()
{
    clOrange = QColor(250, 150, 50);
    clRose = QColor(255, 80, 80);
    clMyGreen = QColor(100, 180, 50);

    COL_PAN_REJIM_ACT = clInfoBk();
    COL_PAN_REJIM_INACT = clBtnFace();

    COL_POLE_HYST_TR = clRose;
    COL_POLE_HYST_NORM = clMyGreen;
    COL_UST_HYST_VERH_ACT = clRose;
    COL_UST_HYST_MIDDLE_ACT = clMyGreen;
    COL_UST_HYST_NIZ_ACT = clRose;
    COL_PAN_RELE_TR = clRose;
    COL_PAN_RELE_NORM = clMyGreen;
    COL_PAN_KR_TR = clRose;
    COL_PAN_KR_NORM = clMyGreen;
    COL_PAN_PIT_NIZK = clOrange;
    COL_PAN_PIT_NORM = clMyGreen;
    COL_PAN_SOST_TR = clRose;
    COL_PAN_SOST_NORM = clMyGreen;
}
