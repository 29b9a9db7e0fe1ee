#pragma once
// The exchange dispatcher: what the program sends next after each accepted reply.
#include "protocol/DetectorState.h"
#include "protocol/commands.h"
#include "protocol/frames.h"

#include <vector>

class DetectorView;
class ExchangeLine;

enum TVidObmen : std::uint8_t { once, serial, permanent };

class TSerial {
public:
    Byte CountSe() const { return FCountSe; }
    void Clear();
    void AddSe(RSerialStruct Value);
    RSerialStruct Getm_se(Byte index) const;

private:
    std::vector<RSerialStruct> FS;
    Byte FCountSe = 0;
};

// A setting the user asked for, with the value to send; the latest value wins when it is
// changed again before the dispatcher gets to it.
class TRequestFlag {
public:
    void raise(Byte value = 0)
    {
        FRaised = true;
        FValue = value;
    }
    void clear() { FRaised = false; }
    explicit operator bool() const { return FRaised; }
    Byte value() const { return FValue; }

private:
    bool FRaised = false;
    Byte FValue = 0;
};

class TDispObmen {
public:
    TDispObmen(DetectorView* view, ExchangeLine* line, TTransmitter* transmitter, TReceiver* receiver);

    TVidObmen VidObmen() const { return FVidObmen; }
    Byte SerialIndex() const { return FSerialIndex; }
    Byte CountError() const { return FCountError; }
    void SetCountError(Byte Value) { FCountError = Value; }

    void Init();
    void Execute();
    void StartNeprObmen();
    void InitNeprObmenDej();
    void InitNeprObmenUst();
    void InitNeprObmenVklPit();
    void InitNeprObmenPered();

    // The reply to the request in flight was faulty or refused. A setting may not have taken:
    // the unit is asked for the value it really has, so the panel never keeps a refused one.
    void ReplyRefused();

    void proc_cf_req(Byte addr, RSerialStruct COM);
    void proc_cf_set(Byte addr, RSerialStruct COM, Byte par);
    void TranslateRec();

    // The series command at the current position: what a search attempt or a retry sends.
    RSerialStruct current() const { return Seria.Getm_se(FSerialIndex); }

    bool FlagScanPorts = false;
    TRequestFlag FlagSetRegUst;
    TRequestFlag FlagSetRegDej;
    TRequestFlag FlagSetLiter;    // the letter 1..8
    TRequestFlag FlagSetSkor;     // the crossing-speed range 0..2
    TRequestFlag FlagSetAddress;  // the new address
    TRequestFlag FlagSetPorog;    // the threshold position 0..15
    TRequestFlag FlagReqAgain;    // the code of a query to send once, after a refused setting
    TSerial Seria;

private:
    void OnceObmen();
    void SerialObmen();
    void PermanentObmen();
    void clearRequests();

    DetectorView* FView;
    ExchangeLine* FLine;
    TTransmitter* FTransmitter;
    TReceiver* FReceiver;
    TVidObmen FVidObmen = once;
    Byte FSerialIndex = 0;
    Byte FCountError = 0;
    Byte FLastSetting = 0;  // the code of the setting in flight, 0 for a query
    unsigned FSent = 0;     // requests sent so far (wraps harmlessly)
};

extern TDispObmen* DispObmen;
