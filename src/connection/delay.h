#pragma once
#include <cstdint>
#include <functional>

// Waits at least ms milliseconds while the window keeps handling its events (timers, serial
// chunks, clicks), which may therefore run inside the wait.
void Delay(std::uint32_t ms);

// Replaces the waiting (the fuzzer cannot afford real waits); an empty function restores it.
void setDelayOverride(std::function<void(std::uint32_t ms)> wait);
