#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::VivMess(const QString&, const QString&) {  }
void TfmMain::VivError(const QString&, const QString&) {  }
void TfmMain::SetButtons(bool) {  }
