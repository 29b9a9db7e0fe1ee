// The start page: what the window shows of the connection while no unit answers, and the
// boxes the connection's troubles open.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/texts.h"
#include "panel/AlarmSound.h"
#include "panel/startup.h"
#include "panel/texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

namespace {
std::function<void(const QString&)> presenter;
}  // namespace

void setReceiveErrorPresenter(std::function<void(const QString& text)> p) { presenter = std::move(p); }

void TfmMain::bbFindClick() { connection->bbFindClick(); }

void TfmMain::showReply(bool answering)
{
    if (!answering)
        recordGap();
    paInit->setVisible(!answering);
    paKn->setVisible(answering);
}

void TfmMain::showSearchFailed(const QString& message, const QList<PortTrouble>& troubles)
{
    VivError(message, QString::fromUtf8(C1));
    ShowPortTroubles(troubles);
}

void TfmMain::showLinkLost()
{
    // An alarm that can be heard but no longer seen helps nobody.
    alarmSound->stop();
    if (connection->playing()) {
        VivError(QString::fromUtf8(MSG_LINK_LOST), QString::fromUtf8(PLAY_LINK_LOST_TEXT));
        leRepair->setEnabled(false);
        leRepair->clear();
        return;
    }
    if (connection->waitingForPort()) {
        // Nothing to count down to: the search starts when the port is back, or when asked.
        VivError(QString::fromUtf8(MSG_LINK_LOST), QString::fromUtf8(C_PORT_GONE).arg(connection->portName()));
        leRepair->setEnabled(false);
        leRepair->clear();
        return;
    }
    VivError(QString::fromUtf8(MSG_LINK_LOST), QString::fromUtf8(C2));
    bbFind->setEnabled(false);
    leRepair->setEnabled(true);
}

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
    if (!FDestroyed)
        connection->receiveErrorSeen();
}

void TfmMain::showFileTrouble(const QString& text)
{
    if (FDestroyed)
        return;
    // Not modal: the search and the exchange go on while the message is read.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void TfmMain::ShowPortTroubles(const QList<PortTrouble>& troubles)
{
    QStringList lines;
    for (const PortTrouble& t : troubles) {
        QString line;
        switch (t.kind) {
        case PortTrouble::NoPermission: line = QString::fromUtf8(PORT_NO_PERMISSION).arg(t.port); break;
        case PortTrouble::Gone: line = QString::fromUtf8(PORT_GONE).arg(t.port); break;
        case PortTrouble::NotSerial: line = QString::fromUtf8(PORT_NOT_SERIAL).arg(t.port); break;
        case PortTrouble::Busy:
            if (t.holder == QLatin1String("ModemManager"))
                line = QString::fromUtf8(PORT_BUSY_MODEMMANAGER).arg(t.port);
            else if (t.holder == QLatin1String("brltty"))
                line = QString::fromUtf8(PORT_BUSY_BRLTTY).arg(t.port);
            else if (!t.holder.isEmpty())
                line = QString::fromUtf8(PORT_BUSY_BY).arg(t.port, t.holder);
            else
                line = QString::fromUtf8(PORT_BUSY).arg(t.port);
            break;
        case PortTrouble::None: break;
        }
        if (!line.isEmpty() && !lines.contains(line))
            lines << line;
    }
    if (lines.isEmpty())
        return;
    // Below the explanation; with the connection log shown there is room for one line only.
    const int maxLines = laStepInit->isVisible() ? 1 : 3;
    while (lines.size() > maxLines)
        lines.removeLast();
    stPortTrouble->setText(lines.join(QLatin1Char('\n')));
    const int lineHeight = stPortTrouble->fontMetrics().lineSpacing();
    const int width = 714;
    stPortTrouble->setGeometry(40, 178, width, 0);
    stPortTrouble->setFixedHeight(qMin(stPortTrouble->heightForWidth(width), maxLines * 2 * lineHeight));
    if (laStepInit->isVisible())
        stPortTrouble->setFixedHeight(qMin(stPortTrouble->height(), 203 - 178));
    stPortTrouble->show();
}
