#include "connection/DetectorLink.h"

#include "connection/ExchangeCapture.h"
#include "connection/ReplyTimer.h"
#include "connection/params.h"
#include "protocol/codec.h"

#include <utility>

DetectorLink::DetectorLink(DetectorView* view, QObject* parent)
    : QObject(parent),
      COMP(new TSerialPortDriver(this)),
      tiTimeWaitRepl(new ReplyTimer(500, this)),
      transmitter(this),
      dispatcher(view, this, &transmitter, &receiver),
      FCapture(new ExchangeCapture(this)),
      FView(view)
{
    connect(FCapture, &ExchangeCapture::failed, this, &DetectorLink::captureFailed);
    FClock.start();
    Receiver = &receiver;
    DispObmen = &dispatcher;
    COMP->SetComPortBaudRate(br4800);
    COMP->OnReceiveData = [this](TSerialPortDriver* s, const std::uint8_t* d, int n) { COMPReceiveData(s, d, n); };
    connect(tiTimeWaitRepl, &ReplyTimer::timeout, this, [this] {
        // A reply that came in time may still be unread: on a busy machine the event loop can
        // run the time-out before the port's notice. It is taken now, and a reply begun there
        // is waited for further, as any piece of a reply restarts the wait.
        tiTimeWaitRepl->setEnabled(false);
        if (COMP->ReadWaiting() > 0 && (tiTimeWaitRepl->isEnabled() || FHalted))
            return;
        replyTimedOut();
    });
    FStep.setSingleShot(true);
    FStep.setTimerType(Qt::PreciseTimer);
    connect(&FStep, &QTimer::timeout, this, [this] {
        auto step = std::move(FNext);
        FNext = nullptr;
        if (step)
            step();
    });
}

DetectorLink::~DetectorLink()
{
    stop();
    if (DispObmen == &dispatcher)
        DispObmen = nullptr;
    if (Receiver == &receiver)
        Receiver = nullptr;
}

void DetectorLink::replyTimedOut()
{
    if (FSwitchUnconfirmed && dispatcher.VidObmen() == permanent) {
        FSwitchUnconfirmed = false;
        FRefindPending = true;
    }
    emit replyTimeout();
}

void DetectorLink::SendFrame(const std::vector<std::uint8_t>& frame, std::uint8_t replyBytes)
{
    // In playback the installer's program has made the request already; ours would be a guess.
    if (FPlayback)
        return;
    // From here on every received byte belongs to the reply of this request.
    FHalted = false;
    receiver.ClearRe();
    receiver.SetWaitByteCount(replyBytes);
    receiver.SetWaitByteCountDub(replyBytes);
    note(true, frame.data(), int(frame.size()));
    COMP->SendData(frame.data(), std::uint32_t(frame.size()));
    // The wait is the unit's: it counts from when the request has left, not from when it was
    // queued behind whatever was still going out.
    tiTimeWaitRepl->startAfter(COMP->msUntilSent());
}

qint32 DetectorLink::lineBaud() const { return qint32(Win32BaudRates[COMP->ComPortSpeed()]); }

namespace {
// A search over many ports at every speed stays far below these; a chattering device does not.
constexpr int SEARCH_RECORDS_MAX = 4096;
constexpr qsizetype SEARCH_BYTES_MAX = 256 * 1024;
// The start of polling belongs to the story: the mode confirmation and the first round of the
// series, which a program replaying the capture sends too.
constexpr int POLLING_RECORDS_KEPT = 48;
}  // namespace

void DetectorLink::note(bool request, const std::uint8_t* data, int size)
{
    const CaptureRecord r{FClock.elapsed(), lineBaud(), request,
                          QByteArray(reinterpret_cast<const char*>(data), size)};
    const auto keep = [this, &r] {
        if (FSearchRecords.size() >= SEARCH_RECORDS_MAX || FSearchBytes + r.bytes.size() > SEARCH_BYTES_MAX) {
            FKeptAll = false;
            return;
        }
        FSearchRecords.append(r);
        FSearchBytes += r.bytes.size();
    };
    if (dispatcher.VidObmen() == permanent && !switching()) {
        if (FPolled < POLLING_RECORDS_KEPT)
            keep();
        else
            FKeptAll = false;
        FPolled = qMin(FPolled + 1, POLLING_RECORDS_KEPT);
    } else {
        // A new search, or the search moving on to another port: only the story of the port
        // where the unit is found is worth keeping.
        if (FPolled > 0 || COMP->ComPortName() != FSearchPort) {
            FSearchRecords.clear();
            FSearchBytes = 0;
            FKeptAll = true;
        }
        FPolled = 0;
        FSearchPort = COMP->ComPortName();
        keep();
    }
    FCapture->record(r);
}

bool DetectorLink::startCapture(const QString& path, QString* error)
{
    return FCapture->open(path, FSearchRecords, FClock.elapsed(), error, FKeptAll);
}

void DetectorLink::stopCapture() { FCapture->close(); }

bool DetectorLink::capturing() const { return FCapture->isOpen(); }

void DetectorLink::SetReplyInterval(int ms) { tiTimeWaitRepl->setInterval(ms); }

void DetectorLink::StopReplyTimer() { tiTimeWaitRepl->setEnabled(false); }

void DetectorLink::SetWorkingSpeedIndex(std::uint8_t index)
{
    FWorkingSpeedIndex = index < 6 ? index : 4;
}

std::uint8_t DetectorLink::WorkingSpeedIndex() const
{
    return FSwitchesNotFollowed >= 2 ? 0 : FWorkingSpeedIndex;
}

void DetectorLink::noteSwitchOutcome()
{
    if (FSwitchUnconfirmed && dispatcher.VidObmen() == permanent && !switching()) {
        FSwitchUnconfirmed = false;
        FSwitchesNotFollowed = 0;
    }
    // The first reply of the search that follows a loss in the switch: found where it was
    // told to leave, it did not move.
    if (FRefindPending && dispatcher.VidObmen() == serial) {
        FRefindPending = false;
        FSwitchesNotFollowed = COMP->ComPortSpeed() == br4800 ? FSwitchesNotFollowed + 1 : 0;
    }
}

void DetectorLink::SwitchToWorkingSpeed(std::function<void()> then)
{
    const TComPortBaudRate target = CPS_INDEX[WorkingSpeedIndex()];
    FSwitchUnconfirmed = target != COMP->ComPortSpeed();
    if (FSwitchesNotFollowed >= 2)
        emit speedSwitchRefused(qint32(Win32BaudRates[CPS_INDEX[FWorkingSpeedIndex]]));
    // The recording knows where the line went: the switch ends with its next request.
    if (FPlayback) {
        FNext = std::move(then);
        return;
    }
    // The speed command must be on the wire, whole and at the old speed, before the line
    // changes; the unit acknowledges it at the old speed and nobody waits for that.
    after(300, [this, target, then = std::move(then)]() mutable {
        COMP->Disconnect();
        COMP->SetComPortBaudRate(target);
        emit lineSpeedChanged(target);
        COMP->Connect();
        // The unit needs a moment at its new speed before it listens.
        after(550, std::move(then));
    });
}

void DetectorLink::stop()
{
    FStep.stop();
    FNext = nullptr;
    tiTimeWaitRepl->setEnabled(false);
    COMP->Disconnect();
}

void DetectorLink::after(int ms, std::function<void()> step)
{
    FNext = std::move(step);
    FStep.start(ms);
}

// ---- Playback ----

namespace {
bool baudRate(qint32 baud, TComPortBaudRate* rate)
{
    for (int i = 0; i < 13; ++i)
        if (qint32(Win32BaudRates[i]) == baud) {
            *rate = TComPortBaudRate(i);
            return true;
        }
    return false;
}

// The code and parameter of a recorded setting request; false for a query or no request.
bool settingOf(const QByteArray& request, Byte* code, Byte* param)
{
    std::vector<Byte> payload;
    const auto* data = reinterpret_cast<const Byte*>(request.constData());
    // Start, address, code, parameter, checksum, end.
    if (request.size() != 10 || data[0] != frame::kRequestStart
        || !frame::decodeDigits(data, int(request.size()), payload) || payload.size() != 4)
        return false;
    *code = payload[1];
    *param = payload[2];
    return true;
}
}  // namespace

void DetectorLink::playRequest(const CaptureRecord& request, const QList<QByteArray>& settingsAhead)
{
    // What the request asked for says how long its reply is; one the program does not know
    // draws none, and whatever comes is judged at once, as it would have been.
    std::vector<Byte> payload;
    const auto* data = reinterpret_cast<const Byte*>(request.bytes.constData());
    RSerialStruct command{0, 0};
    if (frame::decodeDigits(data, int(request.bytes.size()), payload) && payload.size() >= 2)
        findCommand(payload[1], command);
    TComPortBaudRate rate{};
    const bool newSpeed = baudRate(request.baud, &rate) && rate != COMP->ComPortSpeed();
    if (newSpeed)
        COMP->SetComPortBaudRate(rate);
    // The speed command goes out while the switch is pending; the request after it, at
    // whatever speed was recorded, is the first of polling.
    if (switching() && !(command == COM_CF_SETBR)) {
        FSwitchUnconfirmed = newSpeed;
        auto then = std::move(FNext);
        FNext = nullptr;
        if (newSpeed)
            emit lineSpeedChanged(rate);
        then();
    } else if (newSpeed) {
        emit lineSpeedChanged(rate);
    }
    FHalted = false;
    receiver.ClearRe();
    receiver.SetWaitByteCount(command.RecPackSize);
    receiver.SetWaitByteCountDub(command.RecPackSize);
    // Nobody waits for the speed command's acknowledgement.
    FAwaitingReply = !switching();
    FSettingsAhead = settingsAhead;
}

bool DetectorLink::isSetting(const QByteArray& request)
{
    Byte code = 0, param = 0;
    return settingOf(request, &code, &param);
}

void DetectorLink::playReceived(const QByteArray& bytes)
{
    if (!bytes.isEmpty())
        COMPReceiveData(COMP, reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()));
}

void DetectorLink::playMissedReply()
{
    FAwaitingReply = false;
    replyTimedOut();
}

void DetectorLink::applySettingsAhead()
{
    // As the window does when the installer confirms a setting; the mode is shown only once
    // the unit reports it.
    FApplyingChoices = true;
    for (const QByteArray& request : std::exchange(FSettingsAhead, {})) {
        Byte code = 0, param = 0;
        if (!settingOf(request, &code, &param))
            continue;
        switch (code) {
        case COM_CF_SETLIT.CodCom: FView->SetLit(TLitera(param + 1)); break;
        case COM_CF_SETSKOR.CodCom: FView->SetScor(Skorost(param)); break;
        case COM_CF_SETADDR.CodCom: FView->SetAddr(param); break;
        case COM_CF_SETPOR.CodCom: FView->SetPosPorog(TPosPorog(param)); break;
        default: break;
        }
    }
    FApplyingChoices = false;
}
