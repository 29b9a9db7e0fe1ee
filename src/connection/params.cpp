#include "panel/main.h"
#include "connection/params.h"
RParamStruct ParamStruct;
const TComPortBaudRate CPS_INDEX[6] = {br4800, br9600, br19200, br38400, br57600, br115200};
const char* const BAUD_RATE_STR[13] = {"110","300","600","1200","2400","4800","9600","14400","19200","38400","56000","57600","115200"};

// Placeholder bodies: replaced by the real ones.
bool TfmMain::param_analyze() { return true; }
QString baudText(TComPortBaudRate rate) { return rate < 13 ? QString::fromLatin1(BAUD_RATE_STR[rate]) : QStringLiteral("?"); }
