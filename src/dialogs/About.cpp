#include "dialogs/About.h"
// Placeholder bodies: replaced by the real ones.
TfmAbout* fmAbout = nullptr;
TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) { fmAbout = this; }
void TfmAbout::bbOkClick() { accept(); }
void TfmAbout::keyPressEvent(QKeyEvent* e) { QDialog::keyPressEvent(e); }
void TfmAbout::showEvent(QShowEvent* e) { QDialog::showEvent(e); }
