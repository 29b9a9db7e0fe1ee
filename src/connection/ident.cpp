#include "connection/ident.h"

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

void TfmIdent::PoiskIdent(std::int32_t code)
{
    for (std::int32_t i = FIRST_MODEL; i <= LAST_MODEL; ++i) {
        if (ID_NUM(i) == code) {
            SetIdent(i);
            return;
        }
    }
    SetIdent(-1);
}

void TfmIdent::SetIdent(std::int32_t Value)
{
    FIdent = (Value >= FIRST_MODEL && Value <= LAST_MODEL) ? Value : -1;
    if (FFound)
        FFound(static_cast<TIdent>(ID_NUM(FIdent)));
}
