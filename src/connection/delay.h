#pragma once
#include <cstdint>

// Waits at least ms milliseconds while the window keeps handling its events (timers, serial
// chunks, clicks), which may therefore run inside the wait.
void Delay(std::uint32_t ms);
