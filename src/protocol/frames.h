#pragma once
// The outgoing payload buffer and the incoming frame buffer; one instance of each.
#include <cstdint>
#include <vector>

using Byte = std::uint8_t;

class ExchangeLine;

class TTransmitter {
public:
    explicit TTransmitter(ExchangeLine* line) : FLine(line) {}
    void ClearTr();
    void AddTr(Byte Value);
    // Stores the sum of every byte but the last into the last one.
    void SetCRC();
    // Encodes the payload and hands it to the line, which waits for WaitRecByte bytes.
    void SendTr(Byte WaitRecByte);

private:
    ExchangeLine* FLine;
    Byte FCountTr = 0;
    std::vector<Byte> FMTR;
};

class TReceiver {
public:
    // Nothing a detector legitimately sends is longer than this; a device that keeps talking
    // past it has its surplus dropped so the buffer cannot grow without end.
    static constexpr int kCapacity = 4096;

    std::int32_t CountRe() const { return FCountRe; }
    void ClearRe();
    // Returns false when the byte was dropped because the buffer is full.
    bool AddRe(Byte Value);
    Byte Getm_re(std::int32_t index) const;
    Byte WaitByteCount() const { return FWaitByteCount; }
    void SetWaitByteCount(Byte Value) { FWaitByteCount = Value; }
    Byte WaitByteCountDub() const { return FWaitByteCountDub; }
    void SetWaitByteCountDub(Byte Value) { FWaitByteCountDub = Value; }
    const Byte* data() const { return FMRE.data(); }

private:
    std::int32_t FCountRe = 0;
    std::vector<Byte> FMRE;
    Byte FWaitByteCount = 0;
    Byte FWaitByteCountDub = 0;
};

extern TReceiver* Receiver;

// Validates the first WaitByteCountDub bytes of Receiver: 0 accepted (Receiver then holds the
// payload without checksum), 1 bad status byte, 2 short or bad terminator, 3 refused by the
// detector, 4 checksum, 5 bad digit.
int TestRecData();
