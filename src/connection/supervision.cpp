#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
#include "connection/receive.h"
#include "connection/startup.h"
#include "connection/texts.h"
#include "panel/AlarmSound.h"
#include "panel/main.h"

#include <QLabel>
#include <QLineEdit>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr std::uint8_t REPAIR_SECONDS = 12;
std::function<void(const QString&)> presenter;
}  // namespace

void setReceiveErrorPresenter(std::function<void(const QString& text)> p) { presenter = std::move(p); }

void TfmMain::ShowReceiveError(const QString& text)
{
    // One box at a time; the exchange has stopped, so no second one is due until it runs again.
    if (FReceiveErrorShown || FDestroyed)
        return;
    FReceiveErrorShown = true;
    if (presenter) {
        presenter(text);
    } else {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
        box.exec();
    }
    FReceiveErrorShown = false;
    // Carry on as after a missed reply, so that the search moves on or the lost link is
    // reported and recovered, instead of showing stale values forever.
    if (!FDestroyed && !tiTimeWaitRepl->isEnabled())
        tiTimeWaitReplTimer();
}

void TfmMain::tiTimeWaitReplTimer()
{
    tiTimeWaitRepl->setEnabled(false);
    addLogLine(QString::fromUtf8(LOG_FAILURE), true);
    if (DispObmen->FlagScanPorts && ScanPortNextSpeed())
        return;
    link->stop();
    after(30, [this] { afterMissedReply(); });
}

void TfmMain::afterMissedReply()
{
    if (DispObmen->FlagScanPorts) {
        if (FComportListIndex + 1 < ComPortList.size()) {
            ScanPortNext();
            return;
        }
        // VivError reads the flag for the button's caption: clear it afterwards.
        VivError(QString::fromUtf8(MSG_NOT_FOUND), QString::fromUtf8(C1));
        ShowPortTroubles();
        DispObmen->FlagScanPorts = false;
        return;
    }
    // Idle after a failed search nothing is connected, so nothing can be lost; a stray
    // miss must not start a search the user did not ask for.
    if (!FFlagReply)
        return;
    // A dialog open over a lost unit would edit a value nobody can receive, and its restore
    // would bring back the old unit's controls over whatever the next search finds: it closes
    // as if cancelled, and the loss is shown once the window is back.
    if (FSettingDialog) {
        // Whatever sits over the dialog (its help, its error box) goes with it: the loss is
        // shown now, not when somebody comes back to the laptop.
        closeDialogs();
        after(10, [this] { afterMissedReply(); });
        return;
    }
    AddEvent(QString::fromUtf8(EVENT_LINK_LOST));
    // An alarm that can be heard but no longer seen helps nobody.
    alarmSound->stop();
    SetFlagReply(false);
    VivError(QString::fromUtf8(MSG_LINK_LOST), QString::fromUtf8(C2));
    bbFind->setEnabled(false);
    leRepair->setEnabled(true);
    SetCountTiRepair(REPAIR_SECONDS);
    tiRepair->start();
    emit linkLost();
}

void TfmMain::tiRepairTimer()
{
    if (FCountTiRepair > 0)
        SetCountTiRepair(FCountTiRepair - 1);
    if (FCountTiRepair > 0)
        return;
    tiRepair->stop();
    leRepair->setEnabled(false);
    VivMess(QString::fromUtf8(MSG_WAIT), QString());
    DispObmen->Init();
    ScanPorts();
}

void TfmMain::SetCountTiRepair(std::uint8_t Value)
{
    FCountTiRepair = Value;
    leRepair->setText(QString::number(Value));
}

void TfmMain::SetFlagReply(bool Value)
{
    FFlagReply = Value;
    if (!Value)
        recordGap();
    paInit->setVisible(!Value);
    paKn->setVisible(Value);
}
