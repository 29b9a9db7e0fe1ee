// The aiming tone as the window drives it: heard only while a receiver is polled in alignment
// mode, the switch is on and no dialog is open. Its own switch, not the alarm's mute: the
// alarm means nothing while the units are aimed, and an installer who silenced it at a quiet
// site still chooses whether to hear the aim.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "panel/AimingTone.h"
#include "panel/widgets.h"

#include <QApplication>

void TfmMain::updateAimingTone()
{
    const bool aligning = connection->FlagReply() && Detector.FIdent != IDENT_PERED && Detector.FRejim == ust
                          && connection->signalReported();
    // Any box counts, the help and the file dialogs too: whoever reads one is at the laptop.
    const bool dialogOpen = FFlagDisableMainWindow || QApplication::activeModalWidget() != nullptr;
    aimingTone->setEnabled(sbAim->Down());
    aimingTone->update(aligning, dialogOpen, Detector.FPosUstMarker);
}
