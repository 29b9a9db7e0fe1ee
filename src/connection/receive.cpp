// The receive path: chunks from the port are collected into the expected reply, validated
// and handed to the dispatcher; a faulty reply is asked for again, twice.
#include "connection/DetectorLink.h"

#include "connection/ExchangeCapture.h"
#include "connection/ReplyTimer.h"
#include "connection/texts.h"

namespace {
// Enough of a bad reply to recognise it; a chattering device's whole dump would be wider
// than any screen.
constexpr int SHOWN_BYTES = 32;

QString receiveErrorText(int code, const std::uint8_t* data, int size, int waitCount, int expectedBefore)
{
    QString bytesText;
    for (int i = 0; i < qMin(size, SHOWN_BYTES); ++i)
        bytesText += QString::number(data[i]) + QLatin1Char(':');
    if (size > SHOWN_BYTES)
        bytesText += QStringLiteral("…");
    return QString::fromUtf8(RECEIVE_ERROR) + QString::number(code) + QStringLiteral("\n\r") + bytesText +
           QStringLiteral("\n\r") + QString::number(waitCount) + QStringLiteral("\n\r") +
           QString::number(expectedBefore) + QLatin1Char(':');
}
}  // namespace

void DetectorLink::COMPReceiveData(TSerialPortDriver*, const std::uint8_t* DataPtr, int DataSize)
{
    // Support sees everything the line brought, also what the exchange drops unread.
    if (!FPlayback)
        note(false, DataPtr, DataSize);
    // The speed command's acknowledgement comes while the line is being switched; nobody waits
    // for it, and it must not stop the reply timer the command started.
    if (DataSize < 1 || FHalted || switching())
        return;
    tiTimeWaitRepl->setEnabled(false);

    // The receiver keeps what a reply can use and drops the rest of a chattering device's bytes.
    for (int i = 0; i < DataSize; ++i)
        receiver.AddRe(DataPtr[i]);
    // A chunk that arrives with nothing expected leaves the count at 0 and is validated at once.
    const int expectedBefore = receiver.WaitByteCount();
    receiver.SetWaitByteCount(Byte(qMax(0, int(receiver.WaitByteCount()) - DataSize)));

    if (receiver.WaitByteCount() > 0) {
        tiTimeWaitRepl->setEnabled(true);
        return;
    }
    if (receiver.CountRe() < 1)
        return;
    const int CodeErr = TestRecData();
    FAwaitingReply = false;
    if (CodeErr == 0) {
        if (FPlayback)
            applySettingsAhead();
        noteSwitchOutcome();
        dispatcher.Execute();
        emit replyAccepted();
        return;
    }
    dispatcher.ReplyRefused();
    dispatcher.SetCountError(Byte(qMin(255, dispatcher.CountError() + 1)));
    if (dispatcher.CountError() < 3) {
        dispatcher.proc_cf_req(addr_obmen, dispatcher.current());
        return;
    }
    FHalted = true;
    emit receiveFailed(receiveErrorText(CodeErr, DataPtr, DataSize, receiver.WaitByteCount(), expectedBefore));
}
