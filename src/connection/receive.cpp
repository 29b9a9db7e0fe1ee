#include "connection/receive.h"

#include "connection/ReplyTimer.h"
#include "connection/texts.h"
#include "panel/main.h"

#include <QMessageBox>

namespace {
// One receive-error box at a time: under a noisy line each further rejected reply would
// otherwise open a box nested inside the last until the program ran out of stack.
bool errorBoxOpen = false;
std::function<void(const QString&)> presenter;
}  // namespace

void setReceiveErrorPresenter(std::function<void(const QString& text)> p) { presenter = std::move(p); }

void TfmMain::COMPReceiveData(TSerialPortDriver*, const std::uint8_t* DataPtr, int DataSize)
{
    if (DataSize < 1)
        return;
    tiTimeWaitRepl->setEnabled(false);

    // The receiver keeps what a reply can use (the expected frame plus a margin) and drops
    // the rest of a chattering device's bytes.
    for (int i = 0; i < DataSize; ++i)
        Receiver->AddRe(DataPtr[i]);
    // A chunk that arrives with nothing expected leaves the count at 0 and is validated at once.
    const int expectedBefore = Receiver->WaitByteCount();
    Receiver->SetWaitByteCount(Byte(qMax(0, int(Receiver->WaitByteCount()) - DataSize)));

    if (Receiver->WaitByteCount() > 0) {
        tiTimeWaitRepl->setEnabled(true);
        return;
    }
    if (Receiver->CountRe() < 1)
        return;
    const int CodeErr = TestRecData();
    if (CodeErr == 0) {
        DispObmen->Execute();
        return;
    }
    DispObmen->SetCountError(Byte(qMin(255, DispObmen->CountError() + 1)));
    if (DispObmen->CountError() < 3) {
        DispObmen->proc_cf_req(addr_obmen, DispObmen->current());
        return;
    }
    if (errorBoxOpen)
        return;
    errorBoxOpen = true;
    // The diagnosis is spelt out only here: formatting it for every chunk would cost more
    // than the rest of the receive path.
    QString bytesText;
    for (int i = 0; i < DataSize; ++i)
        bytesText += QString::number(DataPtr[i]) + QLatin1Char(':');
    const QString text = QString::fromUtf8(RECEIVE_ERROR) + QString::number(CodeErr) + QStringLiteral("\n\r") +
                         bytesText + QStringLiteral("\n\r") + QString::number(Receiver->WaitByteCount()) +
                         QStringLiteral("\n\r") + QString::number(expectedBefore) + QLatin1Char(':');
    if (presenter) {
        presenter(text);
    } else {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
        box.exec();
    }
    errorBoxOpen = false;
    // The exchange has stopped; carry on as after a missed reply so that the search moves on
    // or the lost link is reported and recovered, instead of showing stale values forever.
    if (!tiTimeWaitRepl->isEnabled())
        tiTimeWaitReplTimer();
}
