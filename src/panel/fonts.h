#pragma once
// The program's typefaces, at the pixel sizes the windows use
// (8 pt = 11 px, 10 pt = 13 px, 11 pt = 15 px, 12 pt = 16 px at 96 dpi).
#include <QFont>

// Registers the program's typeface once; later calls do nothing.
void loadProgramFont();
// The program's typeface with a character height of pixelSize pixels.
QFont programFont(int pixelSize, bool bold = false);
// The older sans-serif face the about box was laid out in.
QFont aboutFont(int pixelSize);
