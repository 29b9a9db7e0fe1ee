#include "connection/DetectorLink.h"

#include "connection/ReplyTimer.h"
#include "connection/params.h"

DetectorLink::DetectorLink(DetectorView* view, QObject* parent)
    : QObject(parent),
      COMP(new TSerialPortDriver(this)),
      tiTimeWaitRepl(new ReplyTimer(500, this)),
      transmitter(this),
      dispatcher(view, this, &transmitter, &receiver)
{
    Transmitter = &transmitter;
    Receiver = &receiver;
    DispObmen = &dispatcher;
    COMP->SetComPortBaudRate(br4800);
    COMP->OnReceiveData = [this](TSerialPortDriver* s, const std::uint8_t* d, int n) { COMPReceiveData(s, d, n); };
    connect(tiTimeWaitRepl, &ReplyTimer::timeout, this, &DetectorLink::replyTimeout);
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
    if (Transmitter == &transmitter)
        Transmitter = nullptr;
    if (Receiver == &receiver)
        Receiver = nullptr;
}

void DetectorLink::SendFrame(const std::vector<std::uint8_t>& frame, std::uint8_t replyBytes)
{
    // From here on every received byte belongs to the reply of this request.
    FHalted = false;
    receiver.ClearRe();
    receiver.SetWaitByteCount(replyBytes);
    receiver.SetWaitByteCountDub(replyBytes);
    tiTimeWaitRepl->setEnabled(true);
    COMP->SendData(frame.data(), std::uint32_t(frame.size()));
}

void DetectorLink::SetReplyInterval(int ms) { tiTimeWaitRepl->setInterval(ms); }

void DetectorLink::StopReplyTimer() { tiTimeWaitRepl->setEnabled(false); }

void DetectorLink::SetWorkingSpeedIndex(std::uint8_t index)
{
    FWorkingSpeedIndex = index < 6 ? index : 4;
}

void DetectorLink::SwitchToWorkingSpeed(std::function<void()> then)
{
    const TComPortBaudRate target = CPS_INDEX[FWorkingSpeedIndex];
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
