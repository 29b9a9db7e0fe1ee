#pragma once
#include "connection/DetectorLink.h"
#include "protocol/DetectorView.h"

#include <QStringList>

// The window's side of the exchange without a window: keeps what a decoded reply sets and
// what was found, so the exchange can be driven and checked without building any form.
class RecordingView : public DetectorView {
public:
    TDetectorState state;
    int transmittersFound = 0, receiversFound = 0;
    QStringList calls;  // the setters in the order they were called, e.g. "SetPosPorog 9"

    void SetReqState(std::uint8_t rs) override { record("SetReqState", state.FReqState = rs); }
    void SetVersPr(std::array<std::uint8_t, 2> v) override { state.FVersPr = v; record("SetVersPr", v[0] * 256 + v[1]); }
    void SetIdent(TIdent v) override { record("SetIdent", state.FIdent = v); }
    void PoiskIdent(std::uint8_t code) override { record("PoiskIdent", state.FIdent = code); }
    void SetAddr(std::int32_t v) override { record("SetAddr", state.FAddr = v); }
    void SetLit(TLitera v) override { record("SetLit", state.FLit = v); }
    void SetScor(Skorost v) override { record("SetScor", state.FScor = v); }
    void SetPosPorog(TPosPorog p) override { record("SetPosPorog", state.FPosPorog = p); }
    void SetPosUstMarker(TPosUstMarker s) override { record("SetPosUstMarker", state.FPosUstMarker = s); }
    void SetValPole(TValPole v) override { record("SetValPole", state.ValPole = v); }
    void SetFlagTr(bool v) override { record("SetFlagTr", state.FFlagTr = v); }
    void SetRejim(TRejim v) override { record("SetRejim", state.FRejim = v); }
    TIdent Ident() const override { return state.FIdent; }
    TRejim Rejim() const override { return state.FRejim; }
    void TransmitterFound() override { ++transmittersFound; calls << QStringLiteral("TransmitterFound"); }
    void ReceiverFound() override { ++receiversFound; calls << QStringLiteral("ReceiverFound"); }

    // Keeps the call log from growing without end in long runs (the fuzzer).
    bool keepCalls = true;

private:
    void record(const char* name, int value)
    {
        if (keepCalls)
            calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value);
    }
};

// A link that also keeps what it put on the line, so that a test sees each request without a
// port at the other end.
class RecordingLink : public DetectorLink {
public:
    using DetectorLink::DetectorLink;

    int framesSent = 0;
    std::vector<std::uint8_t> lastFrame;

    void SendFrame(const std::vector<std::uint8_t>& frame, std::uint8_t replyBytes) override
    {
        ++framesSent;
        lastFrame = frame;
        DetectorLink::SendFrame(frame, replyBytes);
    }
};

// The exchange on its own: a link whose window is a RecordingView.
struct LinkFixture {
    RecordingView view;
    RecordingLink link{&view};
};
