#include "dialogs/liter.h"
// Placeholder bodies: replaced by the real ones.
TfmLiter* fmLiter = nullptr;
TfmLiter::TfmLiter(QWidget* parent) : QDialog(parent) { fmLiter = this; }
void TfmLiter::SetLit(TLitera Value) { FLit = Value; }
void TfmLiter::sbClick(SpeedButton*) {}
void TfmLiter::sbHelpLitClick() {}
void TfmLiter::showEvent(QShowEvent* e) { QDialog::showEvent(e); }
