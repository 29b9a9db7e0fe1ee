#pragma once
#include <cstdint>

// Model codes by model index -1..3 (index -1 is "no model").
std::int32_t ID_NUM(std::int32_t index);
// The model index 0..3 of a receiver's identifier code; -1 when it names no model we know.
std::int32_t modelIndex(std::int32_t code);
// The model code the window shows for a receiver's identifier code: 0 for an unknown one.
std::int32_t modelCode(std::int32_t code);
