#pragma once
#include <cstdint>

class TfmIdent;
extern TfmIdent* fmIdent;

// Turns a receiver's identifier code into its model. Never shown; only its state is used.
class TfmIdent {
public:
    TfmIdent() { fmIdent = this; }
    std::int32_t Ident() const { return FIdent; }
    void PoiskIdent(std::int32_t code);
    void SetIdent(std::int32_t Value);

private:
    std::int32_t FIdent = -1;
};

// Model codes by model index -1..3 (index -1 is "no model").
std::int32_t ID_NUM(std::int32_t index);
