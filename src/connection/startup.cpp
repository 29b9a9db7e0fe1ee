#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::FormCreate() {  }
void TfmMain::FormShow() {  }
void TfmMain::FormDestroy() {  }
void TfmMain::showEvent(QShowEvent*) {  }
void TfmMain::closeEvent(QCloseEvent*) {  }
void CreateForms() {  }
void DestroyForms() {  }
