#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::ReadIniFile(const QString&) {  }
void TfmMain::WriteIniFile(const QString&) {  }
