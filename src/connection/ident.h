#pragma once
// Turns a receiver's identifier code into its model. Never shown; only its state is used. The
// connection owns the one instance and hears the model it finds.
#include "protocol/DetectorState.h"

#include <cstdint>
#include <functional>

class TfmIdent {
public:
    // found receives the model's code (0 for none we know), as the window's SetIdent takes it.
    explicit TfmIdent(std::function<void(TIdent)> found) : FFound(std::move(found)) {}
    std::int32_t Ident() const { return FIdent; }
    void PoiskIdent(std::int32_t code);
    void SetIdent(std::int32_t Value);

private:
    std::function<void(TIdent)> FFound;
    std::int32_t FIdent = -1;
};

// Model codes by model index -1..3 (index -1 is "no model").
std::int32_t ID_NUM(std::int32_t index);
