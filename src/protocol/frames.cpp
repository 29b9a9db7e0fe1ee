#include "protocol/frames.h"

#include "protocol/DetectorView.h"
#include "protocol/codec.h"

// The running link's reply buffer, which TestRecData checks; set and cleared by DetectorLink.
TReceiver* Receiver = nullptr;

void TTransmitter::ClearTr()
{
    FMTR.clear();
    FCountTr = 0;
}

void TTransmitter::AddTr(Byte Value)
{
    FMTR.push_back(Value);
    FCountTr = Byte(FMTR.size());
}

void TTransmitter::SetCRC()
{
    if (FCountTr == 0)
        return;
    FMTR[FCountTr - 1] = GetCRCByte(FMTR.data(), FCountTr - 1);
}

void TTransmitter::SendTr(Byte WaitRecByte)
{
    FLine->SendFrame(frame::wrap(frame::kRequestStart, FMTR), WaitRecByte);
}

void TReceiver::ClearRe()
{
    FMRE.clear();
    FCountRe = 0;
}

bool TReceiver::AddRe(Byte Value)
{
    if (FCountRe >= kCapacity)
        return false;
    FMRE.push_back(Value);
    FCountRe = std::int32_t(FMRE.size());
    return true;
}

Byte TReceiver::Getm_re(std::int32_t index) const
{
    return index >= 0 && index < FCountRe ? FMRE[std::size_t(index)] : 0;
}

int TestRecData()
{
    const int L = Receiver->WaitByteCountDub();
    const Byte first = Receiver->Getm_re(0);
    if (first != frame::kReplyOk && first != frame::kReplyRefused)
        return 1;
    if (first == frame::kReplyRefused)
        return 3;
    if (L == 0 || Receiver->CountRe() < L || Receiver->Getm_re(L - 1) != frame::kEnd)
        return 2;
    std::vector<Byte> payload;
    if (!frame::decodeDigits(Receiver->data(), L, payload))
        return 5;
    if (payload.empty() || GetCRCByte(payload.data(), int(payload.size()) - 1) != payload.back())
        return 4;
    payload.pop_back();
    Receiver->ClearRe();
    for (Byte b : payload)
        Receiver->AddRe(b);
    return 0;
}
