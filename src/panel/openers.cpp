#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/main.h"
#include "panel/startup.h"

#include <QLabel>
#include <QTimer>
#include <utility>

namespace {

// A settings dialog runs over the greyed-out window on a copy of the unit's value. Its choice
// shows at once, but reaches the detector only through the dispatcher's request, and only
// when confirmed and different from the value at opening; any other close puts the value at
// opening back. Returns true when the value is to be sent; false also when no dialog may open.
template <class Dialog, class Value>
bool runSettingDialog(TfmMain* window, Dialog* dlg, Value unitValue, Value (Dialog::*current)() const,
                      Value (Dialog::*atOpening)() const, void (Dialog::*set)(Value))
{
    if (!window->SettingDialogsAllowed())
        return false;
    (dlg->*set)(unitValue);
    window->DisableMainWindow();
    window->FSettingDialog = dlg;
    const bool accepted = dlg->exec() == QDialog::Accepted;
    window->FSettingDialog = nullptr;
    const bool changed = accepted && (dlg->*current)() != (dlg->*atOpening)();
    if (!accepted)
        (dlg->*set)((dlg->*atOpening)());
    window->RestoreMainWindow();
    return changed;
}

}  // namespace

void TfmMain::connectDialogs()
{
    // Only the label follows: the unit's value changes when the choice is confirmed and sent.
    connect(fmLiter, &TfmLiter::choiceShown, this, [this](TLitera Value) { stLiter->setText(QString::number(Value)); });
    connect(fmSkor, &TfmSkor::choiceShown, this, [this](Skorost Value) { stSkor->setText(skorostText(Value)); });
    connect(fmAddr, &TfmAddr::choiceShown, this,
            [this](std::int32_t Value) { stAddr->setText(QString::number(Value)); });

    // A click during the speed switch opens its dialog once polling runs at the new speed;
    // from the event loop, since replies are accepted inside the receive path.
    DetectorLink* link = connection->link;
    connect(link, &DetectorLink::replyAccepted, this, [this] {
        if (FPendingOpener && !FPendingQueued && !connection->link->switching()) {
            FPendingQueued = true;
            QTimer::singleShot(0, this, &TfmMain::openPendingDialog);
        }
    });
    // The unit the click was meant for is gone.
    connect(connection, &DetectorConnection::linkLost, this, [this] { FPendingOpener = nullptr; });
    connect(connection, &DetectorConnection::searchStarted, this, [this] { FPendingOpener = nullptr; });
}

bool TfmMain::SettingDialogsAllowed() const
{
    // While the line changes speed a setting would be sent into the switch: the dialog waits
    // for polling (deferWhileSwitching).
    return !connection->link->switching() && !FSettingDialog;
}

bool TfmMain::deferWhileSwitching(void (TfmMain::*opener)())
{
    if (!connection->link->switching() || FSettingDialog)
        return false;
    // The button looks enabled through the switch, which is short: the click is kept, the
    // latest one if several.
    FPendingOpener = opener;
    return true;
}

void TfmMain::openPendingDialog()
{
    FPendingQueued = false;
    const auto opener = std::exchange(FPendingOpener, nullptr);
    if (opener && connection->FlagReply() && !closingProgram())
        (this->*opener)();
}

void TfmMain::bbLiterClick()
{
    if (deferWhileSwitching(&TfmMain::bbLiterClick))
        return;
    if (!runSettingDialog(this, fmLiter, Detector.FLit, &TfmLiter::Lit, &TfmLiter::BufLit, &TfmLiter::SetLit))
        return;
    connection->choose([this] { connection->SetLit(fmLiter->Lit()); });
    connection->link->dispatcher.FlagSetLiter.raise(Detector.FLit);
}

void TfmMain::bbSkorClick()
{
    if (deferWhileSwitching(&TfmMain::bbSkorClick))
        return;
    if (!runSettingDialog(this, fmSkor, Detector.FScor, &TfmSkor::Scor, &TfmSkor::BufScor, &TfmSkor::SetScor))
        return;
    connection->choose([this] { connection->SetScor(fmSkor->Scor()); });
    connection->link->dispatcher.FlagSetSkor.raise(Detector.FScor);
}

void TfmMain::bbAddrClick()
{
    if (deferWhileSwitching(&TfmMain::bbAddrClick))
        return;
    if (!runSettingDialog(this, fmAddr, Detector.FAddr, &TfmAddr::Addr, &TfmAddr::BufAddr, &TfmAddr::SetAddr))
        return;
    connection->choose([this] { connection->SetAddr(fmAddr->Addr()); });
    connection->link->dispatcher.FlagSetAddress.raise(Byte(Detector.FAddr & 0xFF));
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
