#pragma once
// The program's colour variables and the platform colours it names by role.
#include <QColor>

// Platform colours by role, read from the application palette.
QColor clBtnFace();
QColor cl3DLight();
QColor clScrollBar();
QColor clWindowText();
QColor clInfoBk();
QColor clActiveCaption();
QColor clInactiveCaption();

inline const QColor clRed{255, 0, 0};
inline const QColor clSilver{192, 192, 192};
inline const QColor clYellow{255, 255, 0};
inline const QColor clBlack{0, 0, 0};
inline const QColor clMoneyGreen{192, 220, 192};
inline const QColor clSkyBlue{166, 202, 240};

extern QColor clOrange, clRose, clMyGreen;
extern QColor COL_PAN_REJIM_ACT, COL_PAN_REJIM_INACT;
extern QColor COL_POLE_HYST_TR, COL_POLE_HYST_NORM;
extern QColor COL_UST_HYST_VERH_ACT, COL_UST_HYST_MIDDLE_ACT, COL_UST_HYST_NIZ_ACT;
extern QColor COL_PAN_RELE_TR, COL_PAN_RELE_NORM;
extern QColor COL_PAN_KR_TR, COL_PAN_KR_NORM;
extern QColor COL_PAN_PIT_NIZK, COL_PAN_PIT_NORM;
extern QColor COL_PAN_SOST_TR, COL_PAN_SOST_NORM;

void init_color_scheme();
