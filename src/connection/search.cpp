#include "panel/main.h"

// Placeholder bodies: replaced by the real ones.
void TfmMain::EnumPorts2() {  }
bool TfmMain::FindPort(const QString&) { return false; }
void TfmMain::SetPort(const QString&) {  }
void TfmMain::SetCOMPortName(const QString&) {  }
void TfmMain::SetCurBaud(TComPortBaudRate) {  }
void TfmMain::ScanPorts() {  }
void TfmMain::ScanPortFirst() {  }
void TfmMain::ScanPortNext() {  }
void TfmMain::bbFindClick() {  }
void TfmMain::addLogLine(const QString&, bool) {  }
void TfmMain::SaveConnectLog() {  }
