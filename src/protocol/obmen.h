#pragma once
// The exchange dispatcher: what the program sends next after each accepted reply.
#include "protocol/commands.h"
#include "protocol/frames.h"

#include <vector>

enum TVidObmen : std::uint8_t { once, serial, permanent };

class TSerial {
public:
    Byte CountSe() const { return FCountSe; }
    void Clear();
    void AddSe(RSerialStruct Value);
    void SetCountSe(Byte Value);
    RSerialStruct Getm_se(Byte index) const;
    void Setm_se(Byte index, RSerialStruct Value);

private:
    std::vector<RSerialStruct> FS;
    Byte FCountSe = 0;
};

class TDispObmen {
public:
    TDispObmen();
    ~TDispObmen();

    TVidObmen VidObmen() const { return FVidObmen; }
    Byte SerialIndex() const { return FSerialIndex; }
    void SetSerialIndex(Byte Value) { FSerialIndex = Value; }
    Byte CountError() const { return FCountError; }
    void SetCountError(Byte Value) { FCountError = Value; }

    void Init();
    void Execute();
    void StartNeprObmen();
    void InitNeprObmenDej();
    void InitNeprObmenUst();
    void InitNeprObmenVklPit();
    void InitNeprObmenPered();

    void proc_cf_req(Byte addr, RSerialStruct COM);
    void proc_cf_set(Byte addr, RSerialStruct COM, Byte par);
    void TranslateRec();

    // The series command at the current position: what a search attempt or a retry sends.
    RSerialStruct current() const { return Seria->Getm_se(FSerialIndex); }

    bool FlagScanPorts = false;
    bool FlagSetRegUst = false;
    bool FlagSetRegDej = false;
    bool FlagSetLiter = false;
    bool FlagSetSkor = false;
    bool FlagSetAddress = false;
    bool FlagSetPorog = false;
    TSerial* Seria = nullptr;

private:
    void OnceObmen();
    void SerialObmen();
    void PermanentObmen();

    TVidObmen FVidObmen = once;
    Byte FSerialIndex = 0;
    Byte FCountError = 0;
};

extern TDispObmen* DispObmen;
