#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::EnablePeredInterf() {  }
void TfmMain::EnablePriemInterf() {  }
void TfmMain::sbRabotaClick() {  }
void TfmMain::sbUstClick() {  }
void TfmMain::sbHelpDejClick() {  }
void TfmMain::sbHelpUstClick() {  }
