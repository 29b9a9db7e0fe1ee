#include "protocol/obmen.h"

#include "protocol/DetectorView.h"

#include <initializer_list>

// The running link's dispatcher, the one the program has; set and cleared by DetectorLink, and
// read only where no link is at hand (the tests that drive a reply through it).
TDispObmen* DispObmen = nullptr;

namespace {
void fill(TSerial& series, std::initializer_list<RSerialStruct> commands)
{
    series.Clear();
    for (RSerialStruct c : commands)
        series.AddSe(c);
}
}  // namespace

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

RSerialStruct TSerial::Getm_se(Byte index) const
{
    // An empty series (before the first Init) yields a command nobody answers.
    return index < FS.size() ? FS[index] : RSerialStruct{0, 0};
}

// ---- TDispObmen ----

TDispObmen::TDispObmen(DetectorView* view, ExchangeLine* line, TTransmitter* transmitter, TReceiver* receiver)
    : FView(view), FLine(line), FTransmitter(transmitter), FReceiver(receiver)
{
}

void TDispObmen::clearRequests()
{
    for (TRequestFlag* f : {&FlagSetRegUst, &FlagSetRegDej, &FlagSetLiter, &FlagSetSkor, &FlagSetAddress,
                            &FlagSetPorog, &FlagReqAgain})
        f->clear();
}

void TDispObmen::Init()
{
    FCountError = 0;
    FVidObmen = serial;
    FlagScanPorts = false;
    clearRequests();
    fill(Seria, {COM_CF_REQID, COM_CF_REQVERS, COM_CF_REQLIT, COM_CF_REQPOR, COM_CF_REQSKOR, COM_CF_REQREJ,
                 COM_CF_REQSTATE});
    FSerialIndex = 0;
}

void TDispObmen::InitNeprObmenDej()
{
    fill(Seria, {COM_CF_REQSTATE, COM_CF_REQSTNASTR, COM_CF_REQSIGNAL, COM_CF_REQSTNASTR, COM_CF_REQREJ,
                 COM_CF_REQSTNASTR, COM_CF_REQSIGPOR, COM_CF_REQSTNASTR});
}

void TDispObmen::InitNeprObmenUst()
{
    fill(Seria, {COM_CF_REQSTATE, COM_CF_REQSIGNAL, COM_CF_REQREJ, COM_CF_REQSIGNAL});
}

void TDispObmen::InitNeprObmenVklPit()
{
    // A freshly powered detector is watched like one being aligned.
    InitNeprObmenUst();
}

void TDispObmen::InitNeprObmenPered()
{
    fill(Seria, {COM_CF_REQID});
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
    if (FSerialIndex + 1 < Seria.CountSe()) {
        ++FSerialIndex;
        proc_cf_req(addr_obmen, Seria.Getm_se(FSerialIndex));
        return;
    }
    // The whole series answered: a receiver. Move it to the working speed; the unit
    // acknowledges at the old speed, and nobody waits for that.
    FLine->SetReplyInterval(2000);
    FlagScanPorts = false;
    FView->ReceiverFound();
    FLine->StopReplyTimer();
    proc_cf_set(addr_obmen, COM_CF_SETBR, FLine->WorkingSpeedIndex());
    FLine->SwitchToWorkingSpeed([this] { StartNeprObmen(); });
}

void TDispObmen::StartNeprObmen()
{
    FVidObmen = permanent;
    if (FView->Ident() == IDENT_PERED)
        InitNeprObmenPered();
    else if (FView->Rejim() == dej)
        InitNeprObmenDej();
    else if (FView->Rejim() == ust)
        InitNeprObmenUst();
    else if (FView->Rejim() == vklpit)
        InitNeprObmenVklPit();
    // A mode the detector should never report keeps the series it had (the identification
    // series, which asks for the mode again). Never poll an empty series: it would stall.
    if (Seria.CountSe() == 0)
        InitNeprObmenVklPit();
    FSerialIndex = 0;
    proc_cf_req(addr_obmen, Seria.Getm_se(0));
}

void TDispObmen::PermanentObmen()
{
    const unsigned sentBefore = FSent;
    TranslateRec();
    // A transmitter's letter reply restarts polling, which has sent its first request already:
    // one reply, one request.
    if (FSent != sentBefore)
        return;
    if (FlagSetRegDej) {
        FlagSetRegDej.clear();
        InitNeprObmenDej();
        FSerialIndex = 0;
        proc_cf_set(addr_obmen, COM_CF_SETREG, dej);
    } else if (FlagSetRegUst) {
        FlagSetRegUst.clear();
        InitNeprObmenUst();
        FSerialIndex = 0;
        proc_cf_set(addr_obmen, COM_CF_SETREG, ust);
    } else if (FlagSetLiter) {
        FlagSetLiter.clear();
        // Letters travel as 0..7.
        proc_cf_set(addr_obmen, COM_CF_SETLIT, Byte(FlagSetLiter.value() - 1));
    } else if (FlagSetSkor) {
        FlagSetSkor.clear();
        proc_cf_set(addr_obmen, COM_CF_SETSKOR, FlagSetSkor.value());
    } else if (FlagSetAddress) {
        FlagSetAddress.clear();
        proc_cf_set(addr_obmen, COM_CF_SETADDR, FlagSetAddress.value());
    } else if (FlagSetPorog) {
        FlagSetPorog.clear();
        proc_cf_set(addr_obmen, COM_CF_SETPOR, FlagSetPorog.value());
    } else if (FlagReqAgain) {
        // Last: a newer setting of the same value goes first, and this reads the outcome.
        FlagReqAgain.clear();
        RSerialStruct query{};
        if (findCommand(FlagReqAgain.value(), query))
            proc_cf_req(addr_obmen, query);
    } else {
        ++FSerialIndex;
        if (FSerialIndex >= Seria.CountSe())
            FSerialIndex = 0;
        proc_cf_req(addr_obmen, Seria.Getm_se(FSerialIndex));
    }
}

void TDispObmen::ReplyRefused()
{
    RSerialStruct query{};
    switch (FLastSetting) {
    case COM_CF_SETPOR.CodCom: query = COM_CF_REQPOR; break;
    case COM_CF_SETLIT.CodCom: query = COM_CF_REQLIT; break;
    case COM_CF_SETSKOR.CodCom: query = COM_CF_REQSKOR; break;
    case COM_CF_SETADDR.CodCom: query = COM_CF_REQID; break;
    case COM_CF_SETREG.CodCom: query = COM_CF_REQREJ; break;
    default: return;
    }
    FlagReqAgain.raise(query.CodCom);
}

void TDispObmen::proc_cf_req(Byte addr, RSerialStruct COM)
{
    ++FSent;
    FLastSetting = 0;
    FTransmitter->ClearTr();
    FTransmitter->AddTr(addr);
    FTransmitter->AddTr(COM.CodCom);
    FTransmitter->AddTr(0);
    FTransmitter->SetCRC();
    FTransmitter->SendTr(COM.RecPackSize);
}

void TDispObmen::proc_cf_set(Byte addr, RSerialStruct COM, Byte par)
{
    ++FSent;
    FLastSetting = COM.CodCom;
    FTransmitter->ClearTr();
    FTransmitter->AddTr(addr);
    FTransmitter->AddTr(COM.CodCom);
    FTransmitter->AddTr(par);
    FTransmitter->AddTr(0);
    FTransmitter->SetCRC();
    FTransmitter->SendTr(COM.RecPackSize);
}

void TDispObmen::TranslateRec()
{
    const Byte b1 = FReceiver->Getm_re(1);
    const Byte b2 = FReceiver->Getm_re(2);
    switch (FReceiver->Getm_re(0)) {
    case COM_CF_REQSTATE.CodCom:
        FView->SetReqState(b1);
        break;
    case COM_CF_REQVERS.CodCom:
        FView->SetVersPr({b1, b2});
        break;
    case COM_CF_REQID.CodCom:
        if (b1 == IDENT_PERED)
            FView->SetIdent(IDENT_PERED);
        else
            FView->PoiskIdent(b1);
        FView->SetAddr(b2);
        break;
    case COM_CF_REQSIGNAL.CodCom:
        FView->SetPosUstMarker(b1);
        break;
    case COM_CF_REQPOR.CodCom:
        FView->SetPosPorog(b1);
        break;
    case COM_CF_REQREJ.CodCom:
        if (b1 != FView->Rejim())
            FView->SetRejim(TRejim(b1));
        break;
    case COM_CF_REQLIT.CodCom:
        FView->SetLit(Byte(b1 + 1));
        // A transmitter's identification ends here: it stays at the search speed.
        if (FView->Ident() == IDENT_PERED) {
            // Polled with the search's first interval at whatever speed it answered: the
            // faster speeds' short wait is for finding a unit, not for keeping one.
            FLine->SetReplyInterval(1000);
            FlagScanPorts = false;
            FView->TransmitterFound();
            StartNeprObmen();
        }
        break;
    case COM_CF_REQSKOR.CodCom:
        FView->SetScor(b1);
        break;
    case COM_CF_REQSIGPOR.CodCom:
        FView->SetValPole(b1);
        break;
    case COM_CF_REQSTNASTR.CodCom:
        FView->SetFlagTr(b1 == 1);
        break;
    default:
        break;
    }
}
