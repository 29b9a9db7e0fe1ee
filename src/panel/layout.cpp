#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::buildLayout() {  }
void TfmMain::InitInterf() {  }
