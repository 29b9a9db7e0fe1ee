#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::SetRejim(TRejim) {  }
void TfmMain::SetReqState(std::uint8_t) {  }
void TfmMain::SetIdent(TIdent) {  }
void TfmMain::SetVersPr(std::array<std::uint8_t, 2>) {  }
void TfmMain::tiTrTimer() {  }
void TfmMain::sbZvonokClick() {  }
