#pragma once
#include <cstdint>

// Waits at least ms milliseconds while the window keeps handling its events. Used only once the
// window has closed and the exchange has stopped (the alarm sound winding down): nothing that
// runs during the wait can reach the exchange.
void Delay(std::uint32_t ms);
