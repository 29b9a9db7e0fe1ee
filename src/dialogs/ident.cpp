#include "dialogs/ident.h"

namespace {
// Receiver model codes; the first entry stands for "no known model".
constexpr std::int32_t ID_NUM_TABLE[5] = {0, 21, 22, 23, 31};
constexpr std::int32_t FIRST_MODEL = 0;
constexpr std::int32_t LAST_MODEL = 3;
}  // namespace

std::int32_t ID_NUM(std::int32_t index)
{
    if (index < FIRST_MODEL || index > LAST_MODEL)
        index = -1;
    return ID_NUM_TABLE[index + 1];
}

std::int32_t modelIndex(std::int32_t code)
{
    for (std::int32_t i = FIRST_MODEL; i <= LAST_MODEL; ++i)
        if (ID_NUM(i) == code)
            return i;
    return -1;
}

std::int32_t modelCode(std::int32_t code) { return ID_NUM(modelIndex(code)); }
