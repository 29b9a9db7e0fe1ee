#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::tiTimeWaitReplTimer() {  }
void TfmMain::tiRepairTimer() {  }
void TfmMain::SetCountTiRepair(std::uint8_t) {  }
void TfmMain::SetFlagReply(bool) {  }
