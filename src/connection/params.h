#pragma once
// The parsed command line and the speed tables it chooses from.
#include "serial/SerialDrv.h"

#include <QString>
#include <cstdint>

struct RParamStruct {
    bool is_addr = false;
    bool is_baud = false;
    bool is_com = false;
    bool is_prot = false;  // never set: -PROT only shows the log on the start page, at once
    QString val_addr = QStringLiteral("0");
    QString val_baud = QStringLiteral("57600");
    QString val_com;
    std::uint8_t baud_ind = 4;
    QString comp_name;
};

extern RParamStruct ParamStruct;

// Speed index 0..5, as the -BAUD option and the speed command number them.
extern const TComPortBaudRate CPS_INDEX[6];
// Decimal text of every line speed, indexed by TComPortBaudRate.
extern const char* const BAUD_RATE_STR[13];

// The text of a speed for display; "?" for a value outside the table.
QString baudText(TComPortBaudRate rate);
