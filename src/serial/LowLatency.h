#pragma once
#include <QtGlobal>

// Asks a USB-serial driver to hand short replies over at once instead of holding them for
// its latency timer (16 ms on FTDI chips), which would cap polling at some 60 exchanges a
// second. Failure is normal (pseudo-terminals, most drivers) and ignored.
bool requestLowLatency(qintptr handle);
// How many times the request was made; lets tests see that opening a port asks for it.
int lowLatencyRequestCount();
