#include "dialogs/addr.h"
// Placeholder bodies: replaced by the real ones.
TfmAddr* fmAddr = nullptr;
TfmAddr::TfmAddr(QWidget* parent) : QDialog(parent) { fmAddr = this; }
void TfmAddr::SetAddr(std::int32_t Value) { FAddr = Value; }
bool TfmAddr::FormCloseQuery(int) { return true; }
void TfmAddr::sbHelpAddrClick() {}
void TfmAddr::done(int r) { QDialog::done(r); }
void TfmAddr::showEvent(QShowEvent* e) { QDialog::showEvent(e); }
