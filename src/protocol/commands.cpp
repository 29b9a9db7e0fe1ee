#include "protocol/commands.h"

// The address every request carries: fixed by the command line for the whole run.
std::uint8_t addr_obmen = 0;

bool findCommand(std::uint8_t code, RSerialStruct& command)
{
    for (const RSerialStruct& c : ALL_COMMANDS) {
        if (c.CodCom == code) {
            command = c;
            return true;
        }
    }
    return false;
}
