#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::AddEvent(const QString&) {  }
