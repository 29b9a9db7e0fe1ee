#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/main.h"

namespace {

// A settings dialog runs over the greyed-out window on a copy of the unit's value. Its choice
// shows at once, but reaches the detector only through the dispatcher's request, and only
// when confirmed and different from the value at opening; any other close puts the value at
// opening back. Returns true when the value is to be sent; false also when no dialog may open.
template <class Dialog, class Value>
bool runSettingDialog(Dialog* dlg, Value unitValue, Value (Dialog::*current)() const,
                      Value (Dialog::*atOpening)() const, void (Dialog::*set)(Value))
{
    if (!fmMain->SettingDialogsAllowed())
        return false;
    (dlg->*set)(unitValue);
    fmMain->DisableMainWindow();
    fmMain->FSettingDialog = dlg;
    const bool accepted = dlg->exec() == QDialog::Accepted;
    fmMain->FSettingDialog = nullptr;
    const bool changed = accepted && (dlg->*current)() != (dlg->*atOpening)();
    if (!accepted)
        (dlg->*set)((dlg->*atOpening)());
    fmMain->RestoreMainWindow();
    return changed;
}

}  // namespace

bool TfmMain::SettingDialogsAllowed() const
{
    // While the line changes speed a setting would be sent into the switch; the click is
    // ignored (the buttons come back as soon as polling runs).
    return !connection->link->switching() && !FSettingDialog;
}

void TfmMain::bbLiterClick()
{
    if (!runSettingDialog(fmLiter, Detector.FLit, &TfmLiter::Lit, &TfmLiter::BufLit, &TfmLiter::SetLit))
        return;
    SetLit(fmLiter->Lit());
    DispObmen->FlagSetLiter.raise(Detector.FLit);
}

void TfmMain::bbSkorClick()
{
    if (!runSettingDialog(fmSkor, Detector.FScor, &TfmSkor::Scor, &TfmSkor::BufScor, &TfmSkor::SetScor))
        return;
    SetScor(fmSkor->Scor());
    DispObmen->FlagSetSkor.raise(Detector.FScor);
}

void TfmMain::bbAddrClick()
{
    if (!runSettingDialog(fmAddr, Detector.FAddr, &TfmAddr::Addr, &TfmAddr::BufAddr, &TfmAddr::SetAddr))
        return;
    SetAddr(fmAddr->Addr());
    DispObmen->FlagSetAddress.raise(Byte(Detector.FAddr & 0xFF));
}

void TfmMain::bbAboutClick()
{
    DisableMainWindow();
    // Tracked like a settings dialog: a link lost under it closes it, so that the window is
    // restored before the next search shows whatever unit it finds.
    FSettingDialog = fmAbout;
    fmAbout->exec();
    FSettingDialog = nullptr;
    RestoreMainWindow();
}
