#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/main.h"

namespace {

// A settings dialog runs over the greyed-out window. Its choice shows at once, but reaches the
// detector only through the dispatcher's flag, and only when confirmed and different from the
// value at opening; any other close puts the value at opening back.
template <class Dialog, class Value>
void runSettingDialog(Dialog* dlg, Value (Dialog::*current)() const, Value (Dialog::*atOpening)() const,
                      void (Dialog::*set)(Value), bool& flag)
{
    fmMain->DisableMainWindow();
    if (dlg->exec() == QDialog::Accepted) {
        if ((dlg->*current)() != (dlg->*atOpening)())
            flag = true;
    } else {
        (dlg->*set)((dlg->*atOpening)());
    }
    fmMain->RestoreMainWindow();
}

}  // namespace

void TfmMain::bbLiterClick()
{
    runSettingDialog(fmLiter, &TfmLiter::Lit, &TfmLiter::BufLit, &TfmLiter::SetLit, DispObmen->FlagSetLiter);
}

void TfmMain::bbSkorClick()
{
    runSettingDialog(fmSkor, &TfmSkor::Scor, &TfmSkor::BufScor, &TfmSkor::SetScor, DispObmen->FlagSetSkor);
}

void TfmMain::bbAddrClick()
{
    runSettingDialog(fmAddr, &TfmAddr::Addr, &TfmAddr::BufAddr, &TfmAddr::SetAddr, DispObmen->FlagSetAddress);
}

void TfmMain::bbAboutClick()
{
    DisableMainWindow();
    fmAbout->exec();
    RestoreMainWindow();
}
