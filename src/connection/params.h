#pragma once
// The command line and the speed tables it chooses from.
#include "serial/SerialDrv.h"

#include <QString>
#include <QStringList>
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

// The command line as the program reads it: each argument settles its part until the first
// one at fault, which ends the reading with the text the user is shown.
class CommandLine {
public:
    explicit CommandLine(QStringList arguments) : FArguments(std::move(arguments)) {}
    // False with errorText(); what the arguments before the fault set is kept.
    bool param_analyze();
    QString errorText() const { return FError; }

    RParamStruct ParamStruct;
    // The one port -COM names, as the system spells it; empty: every port is searched.
    QStringList ComPortList;
    // The exchange address -ADDR gives; 0 without it.
    std::uint8_t addr = 0;
    // -PROT: the connection log is shown on the start page.
    bool showLog = false;
    // --play FILE: the exchange capture to play instead of looking for a unit; empty: none.
    QString playFile;
    // --pace 1|10|max: as recorded, ten times as fast, or as fast as it goes (0).
    int playPace = 1;

private:
    bool fail(const char* what);
    // Takes --play and --pace (each with its value) out of the arguments.
    bool takePlayback();
    QStringList FArguments;
    QString FError;
};

// Speed index 0..5, as the -BAUD option and the speed command number them.
extern const TComPortBaudRate CPS_INDEX[6];
// Decimal text of every line speed, indexed by TComPortBaudRate.
extern const char* const BAUD_RATE_STR[13];

// The text of a speed for display; "?" for a value outside the table.
QString baudText(TComPortBaudRate rate);
