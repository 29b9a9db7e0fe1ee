#pragma once

// CPU time this process has used so far, in milliseconds.
double cpuMs();
