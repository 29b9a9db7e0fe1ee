// The window as a viewer of an exchange capture: the recording's replies reach the panel as a
// unit's would, and nothing the installer could send or search for can be asked for here.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "panel/texts.h"
#include "panel/widgets.h"
#include "trend/TrendWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

void TfmMain::showPlayback()
{
    const QString name = QFileInfo(connection->playbackFile()).fileName();
    setWindowTitle(QString::fromUtf8(CAPT_PLAY_WINDOW).arg(name));
    // After the panel's own handlers, which enable what a live unit allows.
    connect(connection->link, &DetectorLink::replyAccepted, this, &TfmMain::lockForPlayback);
    connect(connection, &DetectorConnection::linkEstablished, this, &TfmMain::lockForPlayback);
    connect(connection, &DetectorConnection::linkLost, this, &TfmMain::lockForPlayback);
    connect(connection, &DetectorConnection::playbackFinished, this, &TfmMain::showPlaybackEnded);
    lockForPlayback();
}

void TfmMain::lockForPlayback()
{
    // The settings dialogs would send; hidden rather than greyed, as there is nothing to wait for.
    for (QWidget* w : {static_cast<QWidget*>(bbLiter), static_cast<QWidget*>(bbSkor),
                       static_cast<QWidget*>(bbAddr), static_cast<QWidget*>(bbFind)})
        w->hide();
    // The mode buttons and the threshold show what the unit reported: greyed, still readable.
    for (QWidget* w : {static_cast<QWidget*>(bbPlus), static_cast<QWidget*>(bbMinus),
                       static_cast<QWidget*>(sbRabota), static_cast<QWidget*>(sbUst),
                       static_cast<QWidget*>(pbPorogMarker)})
        w->setEnabled(false);
    if (fmTrend)
        fmTrend->sbCapture->setEnabled(false);
}

void TfmMain::showPlaybackEnded()
{
    const QString name = QFileInfo(connection->playbackFile()).fileName();
    setWindowTitle(QString::fromUtf8(CAPT_PLAY_ENDED_WINDOW).arg(name));
    if (connection->FlagReply()) {
        // The panel stays as the recording left it, for the trend and the CSV; the note line
        // under it says that nothing more comes.
        stPered->setText(QString::fromUtf8(PLAY_ENDED));
        stPered->show();
        stPered->setEnabled(true);
    } else {
        VivError(QString::fromUtf8(PLAY_ENDED), QString::fromUtf8(PLAY_ENDED_TEXT).arg(connection->playbackFile()));
    }
    lockForPlayback();
}
