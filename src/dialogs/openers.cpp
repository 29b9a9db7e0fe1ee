#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::bbLiterClick() {  }
void TfmMain::bbSkorClick() {  }
void TfmMain::bbAddrClick() {  }
void TfmMain::bbAboutClick() {  }
