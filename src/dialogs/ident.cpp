#include "dialogs/ident.h"
// Placeholder bodies: replaced by the real ones.
TfmIdent* fmIdent = nullptr;
std::int32_t ID_NUM(std::int32_t) { return 0; }
void TfmIdent::PoiskIdent(std::int32_t) {}
void TfmIdent::SetIdent(std::int32_t Value) { FIdent = Value; }
