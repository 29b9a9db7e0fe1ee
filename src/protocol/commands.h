#pragma once
// The detector's command vocabulary: code and the length of the reply frame it draws.
#include <cstdint>

struct RSerialStruct {
    std::uint8_t CodCom;
    std::uint8_t RecPackSize;
};

inline bool operator==(RSerialStruct a, RSerialStruct b)
{
    return a.CodCom == b.CodCom && a.RecPackSize == b.RecPackSize;
}

constexpr RSerialStruct COM_CF_SETBR{1, 8};
constexpr RSerialStruct COM_CF_REQSTATE{4, 14};
constexpr RSerialStruct COM_CF_REQVERS{38, 10};
constexpr RSerialStruct COM_CF_REQID{100, 10};
constexpr RSerialStruct COM_CF_REQSTNASTR{107, 8};
constexpr RSerialStruct COM_CF_REQSIGNAL{101, 8};
constexpr RSerialStruct COM_CF_REQSIGPOR{106, 8};
constexpr RSerialStruct COM_CF_REQPOR{102, 8};
constexpr RSerialStruct COM_CF_REQLIT{104, 8};
constexpr RSerialStruct COM_CF_REQREJ{103, 8};
constexpr RSerialStruct COM_CF_REQSKOR{105, 8};
constexpr RSerialStruct COM_CF_SETREG{113, 6};
constexpr RSerialStruct COM_CF_SETLIT{114, 6};
constexpr RSerialStruct COM_CF_SETSKOR{115, 6};
constexpr RSerialStruct COM_CF_SETADDR{6, 8};
constexpr RSerialStruct COM_CF_SETPOR{112, 6};
constexpr RSerialStruct COM_CF_SETID{110, 6};

// Every command the detector knows; a code outside it is answered by nobody.
constexpr RSerialStruct ALL_COMMANDS[] = {
    COM_CF_SETBR, COM_CF_REQSTATE, COM_CF_REQVERS, COM_CF_REQID, COM_CF_REQSTNASTR,
    COM_CF_REQSIGNAL, COM_CF_REQSIGPOR, COM_CF_REQPOR, COM_CF_REQLIT, COM_CF_REQREJ,
    COM_CF_REQSKOR, COM_CF_SETREG, COM_CF_SETLIT, COM_CF_SETSKOR, COM_CF_SETADDR,
    COM_CF_SETPOR, COM_CF_SETID};

// Looks a code up in ALL_COMMANDS; false when the detector does not know it.
bool findCommand(std::uint8_t code, RSerialStruct& command);

// The detector address carried by every request; only the command line changes it.
extern std::uint8_t addr_obmen;
