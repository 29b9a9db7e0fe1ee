#pragma once
// The two sides the dispatcher talks to: what it shows (a decoded reply, a unit found) and the
// line it sends on. The window and the link implement them; the dispatcher knows neither.
#include "protocol/DetectorState.h"

#include <functional>
#include <vector>

class DetectorView {
public:
    virtual ~DetectorView() = default;

    // The decoded values, as the detector reported them.
    virtual void SetReqState(std::uint8_t rs) = 0;
    virtual void SetVersPr(std::array<std::uint8_t, 2> Value) = 0;
    virtual void SetIdent(TIdent Value) = 0;
    // A receiver's identifier code, to be looked up among the known models.
    virtual void PoiskIdent(std::uint8_t code) = 0;
    virtual void SetAddr(std::int32_t Value) = 0;
    virtual void SetLit(TLitera Value) = 0;
    virtual void SetScor(Skorost Value) = 0;
    virtual void SetPosPorog(TPosPorog p) = 0;
    virtual void SetPosUstMarker(TPosUstMarker s) = 0;
    virtual void SetValPole(TValPole v) = 0;
    virtual void SetFlagTr(bool Value) = 0;
    virtual void SetRejim(TRejim Value) = 0;

    // What the dispatcher needs to choose its series.
    virtual TIdent Ident() const = 0;
    virtual TRejim Rejim() const = 0;

    // The search is over: a transmitter answered its letter, or a receiver its whole series
    // (it is about to be moved to the working speed).
    virtual void TransmitterFound() = 0;
    virtual void ReceiverFound() = 0;
};

class ExchangeLine {
public:
    virtual ~ExchangeLine() = default;
    // Sends one request frame and waits for a reply of replyBytes bytes under the reply timer.
    virtual void SendFrame(const std::vector<std::uint8_t>& frame, std::uint8_t replyBytes) = 0;
    virtual void SetReplyInterval(int ms) = 0;
    virtual void StopReplyTimer() = 0;
    // The speed index the unit is to be moved to (0..5).
    virtual std::uint8_t WorkingSpeedIndex() const = 0;
    // Moves the line to the working speed once the speed command has left, then calls then().
    virtual void SwitchToWorkingSpeed(std::function<void()> then) = 0;
};
