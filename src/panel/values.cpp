#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::SetPosPorog(TPosPorog) {  }
void TfmMain::SetPosUstMarker(TPosUstMarker) {  }
void TfmMain::ValPoleUpdate() {  }
void TfmMain::bbPlusClick() {  }
void TfmMain::bbMinusClick() {  }
void TfmMain::pbPorogMarkerMouseDown(QMouseEvent*) {  }
void TfmMain::pbPorogMarkerMouseMove(QMouseEvent*) {  }
void TfmMain::pbPorogMarkerMouseUp(QMouseEvent*) {  }
