#include "protocol/obmen.h"

#include "connection/ReplyTimer.h"
#include "connection/delay.h"
#include "connection/params.h"
#include "connection/texts.h"
#include "dialogs/addr.h"
#include "dialogs/ident.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/main.h"

TDispObmen* DispObmen = nullptr;

// ---- TSerial ----

void TSerial::Clear()
{
    FS.clear();
    FCountSe = 0;
}

void TSerial::AddSe(RSerialStruct Value)
{
    FS.push_back(Value);
    FCountSe = Byte(FS.size());
}

void TSerial::SetCountSe(Byte Value)
{
    FS.resize(Value, RSerialStruct{0, 0});
    FCountSe = Value;
}

RSerialStruct TSerial::Getm_se(Byte index) const
{
    // An empty series (before the first Init) yields a command nobody answers.
    return index < FS.size() ? FS[index] : RSerialStruct{0, 0};
}

void TSerial::Setm_se(Byte index, RSerialStruct Value)
{
    if (index < FS.size())
        FS[index] = Value;
}

// ---- TDispObmen ----

TDispObmen::TDispObmen() : Seria(new TSerial) {}

TDispObmen::~TDispObmen() { delete Seria; }

void TDispObmen::Init()
{
    FCountError = 0;
    FVidObmen = serial;
    FlagScanPorts = false;
    FlagSetRegUst = false;
    FlagSetRegDej = false;
    FlagSetLiter = false;
    FlagSetSkor = false;
    FlagSetAddress = false;
    FlagSetPorog = false;
    Seria->Clear();
    for (RSerialStruct c : {COM_CF_REQID, COM_CF_REQVERS, COM_CF_REQLIT, COM_CF_REQPOR, COM_CF_REQSKOR,
                            COM_CF_REQREJ, COM_CF_REQSTATE})
        Seria->AddSe(c);
    FSerialIndex = 0;
}

void TDispObmen::InitNeprObmenDej()
{
    Seria->Clear();
    for (RSerialStruct c : {COM_CF_REQSTATE, COM_CF_REQSTNASTR, COM_CF_REQSIGNAL, COM_CF_REQSTNASTR,
                            COM_CF_REQREJ, COM_CF_REQSTNASTR, COM_CF_REQSIGPOR, COM_CF_REQSTNASTR})
        Seria->AddSe(c);
}

void TDispObmen::InitNeprObmenUst()
{
    Seria->Clear();
    for (RSerialStruct c : {COM_CF_REQSTATE, COM_CF_REQSIGNAL, COM_CF_REQREJ, COM_CF_REQSIGNAL})
        Seria->AddSe(c);
}

void TDispObmen::InitNeprObmenVklPit()
{
    // A freshly powered detector is watched like one being aligned.
    InitNeprObmenUst();
}

void TDispObmen::InitNeprObmenPered()
{
    Seria->Clear();
    Seria->AddSe(COM_CF_REQID);
}

void TDispObmen::Execute()
{
    switch (FVidObmen) {
    case once: OnceObmen(); break;
    case serial: SerialObmen(); break;
    case permanent: PermanentObmen(); break;
    }
}

void TDispObmen::OnceObmen() { TranslateRec(); }

void TDispObmen::SerialObmen()
{
    // A late reply after the search was abandoned is dropped.
    if (!FlagScanPorts)
        return;
    TranslateRec();
    // A transmitter has been recognised and polling has already started.
    if (FVidObmen != serial)
        return;
    if (FSerialIndex + 1 < Seria->CountSe()) {
        ++FSerialIndex;
        proc_cf_req(addr_obmen, Seria->Getm_se(FSerialIndex));
        return;
    }
    // The whole series answered: a receiver. Move it to the working speed.
    fmMain->tiTimeWaitRepl->setInterval(2000);
    FlagScanPorts = false;
    fmMain->SetFlagReply(true);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(fmMain->FRejim);
    fmMain->addLogLine(QString::fromUtf8(LOG_SUCCESS), false);
    fmMain->addLogLine(QString::fromUtf8(LOG_SPEED_SWITCH) + ParamStruct.val_baud, true);
    fmMain->tiTimeWaitRepl->setEnabled(false);
    const Byte baudInd = ParamStruct.baud_ind < 6 ? ParamStruct.baud_ind : 4;
    proc_cf_set(addr_obmen, COM_CF_SETBR, baudInd);
    const TComPortBaudRate target = CPS_INDEX[baudInd];
    // The speed command is not acknowledged: give it time to leave, then reopen.
    fmMain->COMP->Disconnect();
    Delay(300);
    fmMain->COMP->SetComPortBaudRate(target);
    fmMain->SetCurBaud(target);
    fmMain->COMP->Connect();
    Delay(550);
    StartNeprObmen();
}

void TDispObmen::StartNeprObmen()
{
    FVidObmen = permanent;
    if (fmMain->FIdent == 32)
        InitNeprObmenPered();
    else if (fmMain->FRejim == dej)
        InitNeprObmenDej();
    else if (fmMain->FRejim == ust)
        InitNeprObmenUst();
    else if (fmMain->FRejim == vklpit)
        InitNeprObmenVklPit();
    // A mode the detector should never report keeps the series it had (the identification
    // series, which asks for the mode again). Never poll an empty series: it would stall.
    if (Seria->CountSe() == 0)
        InitNeprObmenVklPit();
    FSerialIndex = 0;
    proc_cf_req(addr_obmen, Seria->Getm_se(0));
}

void TDispObmen::PermanentObmen()
{
    TranslateRec();
    if (FlagSetRegDej) {
        FlagSetRegDej = false;
        InitNeprObmenDej();
        FSerialIndex = 0;
        proc_cf_set(addr_obmen, COM_CF_SETREG, 0);
    } else if (FlagSetRegUst) {
        FlagSetRegUst = false;
        InitNeprObmenUst();
        FSerialIndex = 0;
        proc_cf_set(addr_obmen, COM_CF_SETREG, 1);
    } else if (FlagSetLiter) {
        FlagSetLiter = false;
        proc_cf_set(addr_obmen, COM_CF_SETLIT, Byte(fmLiter->Lit() - 1));
    } else if (FlagSetSkor) {
        FlagSetSkor = false;
        proc_cf_set(addr_obmen, COM_CF_SETSKOR, fmSkor->Scor());
    } else if (FlagSetAddress) {
        FlagSetAddress = false;
        proc_cf_set(addr_obmen, COM_CF_SETADDR, Byte(fmAddr->Addr() & 0xFF));
    } else if (FlagSetPorog) {
        FlagSetPorog = false;
        proc_cf_set(addr_obmen, COM_CF_SETPOR, fmMain->FPosPorog);
    } else {
        ++FSerialIndex;
        if (FSerialIndex >= Seria->CountSe())
            FSerialIndex = 0;
        proc_cf_req(addr_obmen, Seria->Getm_se(FSerialIndex));
    }
}

void TDispObmen::proc_cf_req(Byte addr, RSerialStruct COM)
{
    Transmitter->ClearTr();
    Transmitter->AddTr(addr);
    Transmitter->AddTr(COM.CodCom);
    Transmitter->AddTr(0);
    Transmitter->SetCRC();
    Transmitter->SendTr(COM.RecPackSize);
}

void TDispObmen::proc_cf_set(Byte addr, RSerialStruct COM, Byte par)
{
    Transmitter->ClearTr();
    Transmitter->AddTr(addr);
    Transmitter->AddTr(COM.CodCom);
    Transmitter->AddTr(par);
    Transmitter->AddTr(0);
    Transmitter->SetCRC();
    Transmitter->SendTr(COM.RecPackSize);
}

void TDispObmen::TranslateRec()
{
    const Byte b1 = Receiver->Getm_re(1);
    const Byte b2 = Receiver->Getm_re(2);
    switch (Receiver->Getm_re(0)) {
    case COM_CF_REQSTATE.CodCom:
        fmMain->SetReqState(b1);
        break;
    case COM_CF_REQVERS.CodCom:
        fmMain->SetVersPr({b1, b2});
        break;
    case COM_CF_REQID.CodCom:
        if (b1 == 0x20)
            fmMain->SetIdent(32);
        else
            fmIdent->PoiskIdent(b1);
        fmAddr->SetAddr(b2);
        break;
    case COM_CF_REQSIGNAL.CodCom:
        fmMain->SetPosUstMarker(b1);
        break;
    case COM_CF_REQPOR.CodCom:
        fmMain->SetPosPorog(b1);
        break;
    case COM_CF_REQREJ.CodCom:
        if (b1 != fmMain->FRejim)
            fmMain->SetRejim(TRejim(b1));
        break;
    case COM_CF_REQLIT.CodCom:
        fmLiter->SetLit(Byte(b1 + 1));
        if (fmMain->FIdent == 32) {
            FlagScanPorts = false;
            fmMain->EnablePeredInterf();
            fmMain->SetFlagReply(true);
            StartNeprObmen();
        }
        break;
    case COM_CF_REQSKOR.CodCom:
        fmSkor->SetScor(b1);
        break;
    case COM_CF_REQSIGPOR.CodCom:
        fmMain->ValPole = b1;
        if (fmMain->ValPole != fmMain->BufValPole)
            fmMain->ValPoleUpdate();
        break;
    case COM_CF_REQSTNASTR.CodCom:
        fmMain->SetFlagTr(b1 == 1);
        if (fmMain->FFlagTr != fmMain->BufFlagTr)
            fmMain->ValPoleUpdate();
        break;
    default:
        break;
    }
}
