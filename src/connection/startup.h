#pragma once

// The program's exit status: 1 once the command line has been refused, else 0.
int programExitCode();
