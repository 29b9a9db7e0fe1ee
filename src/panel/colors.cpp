#include "panel/colors.h"
// Placeholder bodies: replaced by the real ones.
QColor clOrange, clRose, clMyGreen;
QColor COL_PAN_REJIM_ACT, COL_PAN_REJIM_INACT;
QColor COL_POLE_HYST_TR, COL_POLE_HYST_NORM;
QColor COL_UST_HYST_VERH_ACT, COL_UST_HYST_MIDDLE_ACT, COL_UST_HYST_NIZ_ACT;
QColor COL_PAN_RELE_TR, COL_PAN_RELE_NORM;
QColor COL_PAN_KR_TR, COL_PAN_KR_NORM;
QColor COL_PAN_PIT_NIZK, COL_PAN_PIT_NORM;
QColor COL_PAN_SOST_TR, COL_PAN_SOST_NORM;
QColor clBtnFace() { return {}; }
QColor cl3DLight() { return {}; }
QColor clScrollBar() { return {}; }
QColor clWindowText() { return {}; }
QColor clInfoBk() { return {}; }
QColor clActiveCaption() { return {}; }
QColor clInactiveCaption() { return {}; }
void init_color_scheme() {}
