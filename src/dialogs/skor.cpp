#include "dialogs/skor.h"
// Placeholder bodies: replaced by the real ones.
const char* const Skorost_capt[3] = {"0,1...10 м/с", "0,1...4 м/с", "0,1...1 м/с"};
TfmSkor* fmSkor = nullptr;
TfmSkor::TfmSkor(QWidget* parent) : QDialog(parent) { fmSkor = this; }
void TfmSkor::SetScor(Skorost Value) { FScor = Value; }
void TfmSkor::sbSkorClick(SpeedButton*) {}
void TfmSkor::sbHelpSkorClick() {}
void TfmSkor::showEvent(QShowEvent* e) { QDialog::showEvent(e); }
