#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::DisableMainWindow() {  }
void TfmMain::RestoreMainWindow() {  }
