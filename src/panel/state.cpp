// The detector's state as the main window shows it: unit, firmware, mode, relay, power, lid,
// and the alarm with its hold timer and sound.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "dialogs/skor.h"
#include "panel/AlarmSound.h"
#include "panel/colors.h"
#include "panel/readouts.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"
#include "protocol/DetectorUnits.h"

#include <QTimer>

namespace {
void showIndication(QLabel* panel, bool raised, const QColor& colRaised, const char* captRaised,
                    const QColor& colNorm, const char* captNorm)
{
    setTextColor(panel, clWindowText());
    setBackground(panel, raised ? colRaised : colNorm);
    panel->setText(QString::fromUtf8(raised ? captRaised : captNorm));
}

}  // namespace

void TfmMain::SetReqState(std::uint8_t rs)
{
    Detector.FReqState = rs;
    // While a dialog greys the window out the panels keep what they showed; the next poll
    // after it closes brings the byte again.
    if (FFlagDisableMainWindow)
        return;
    showIndication(paRele, rs & BIT_TR_MASKA, COL_PAN_RELE_TR, RELE_TR, COL_PAN_RELE_NORM, RELE_NORM);
    showIndication(paPit, rs & BIT_PIT_MASKA, COL_PAN_PIT_NIZK, PIT_NIZK, COL_PAN_PIT_NORM, PIT_NORM);
    showIndication(paKr, rs & BIT_KR_MASKA, COL_PAN_KR_TR, KR_TR, COL_PAN_KR_NORM, KR_NORM);
}

void TfmMain::SetIdent(TIdent Value)
{
    Detector.FIdent = Value;
    stIzv->setText(QString::fromUtf8(unitName(Value)));
}

// The connection looks the model up; it comes back through SetIdent.
void TfmMain::PoiskIdent(std::uint8_t code) { connection->PoiskIdent(code); }

void TfmMain::SetLit(TLitera Value)
{
    Detector.FLit = Value;
    stLiter->setText(QString::number(Value));
}

void TfmMain::SetScor(Skorost Value)
{
    Detector.FScor = Value;
    stSkor->setText(skorostText(Value));
}

void TfmMain::SetAddr(std::int32_t Value)
{
    Detector.FAddr = Value;
    stAddr->setText(QString::number(Value));
}

void TfmMain::SetFlagTr(bool Value)
{
    Detector.FFlagTr = Value;
    if (Detector.FFlagTr != BufFlagTr)
        ValPoleUpdate();
}

void TfmMain::SetVersPr(std::array<std::uint8_t, 2> Value)
{
    Detector.FVersPr = Value;
    stVersPr->setText(firmwareText(Value));
}

void TfmMain::SetRejim(TRejim Value)
{
    Detector.FRejim = Value;
    // A transmitter has no modes and no alarm to show.
    if (Detector.FIdent == IDENT_PERED)
        return;
    switch (Value) {
    case dej:
        if (!FFlagDisableMainWindow) {
            setBackground(paSost, COL_PAN_SOST_NORM);
            setTextColor(paSost, clWindowText());
            paSost->setText(QString::fromUtf8(SOST_NORM));
            modePair->SetAllowAllUp(false);
            modePair->SetDown(sbRabota, true);
            sbRabotaClick();
        } else {
            // The dialog's restore puts these back; the pair shares one permission and keeps
            // one button down, so both buttons' entries are written.
            CBMW.col_paSost = COL_PAN_SOST_NORM;
            CBMW.col_paSost_font = clWindowText();
            CBMW.en_sbRabota_AllowAllUp = false;
            CBMW.en_sbUst_AllowAllUp = false;
            CBMW.down_sbRabota = true;
            CBMW.down_sbUst = false;
            paSost->setText(QString::fromUtf8(SOST_NORM));
        }
        break;
    case ust:
        setBackground(paSost, cl3DLight());
        setTextColor(paSost, clScrollBar());
        paSost->setText(QString());
        modePair->SetAllowAllUp(false);
        modePair->SetDown(sbUst, true);
        sbUstClick();
        break;
    case vklpit:
        if (!FFlagDisableMainWindow) {
            setBackground(paSost, COL_PAN_SOST_TR);
            setTextColor(paSost, clWindowText());
            paSost->setText(QString::fromUtf8(SOST_TR));
            modePair->SetAllowAllUp(true);
            modePair->SetDown(sbRabota, false);
            sbRabotaClick();
            modePair->SetDown(sbUst, false);
            sbUstClick();
        } else {
            CBMW.col_paSost = COL_PAN_SOST_TR;
            CBMW.col_paSost_font = clWindowText();
            paSost->setText(QString::fromUtf8(SOST_TR));
            CBMW.en_sbRabota_AllowAllUp = true;
            CBMW.en_sbUst_AllowAllUp = true;
            CBMW.down_sbRabota = false;
            CBMW.down_sbUst = false;
        }
        break;
    default:
        // A mode the detector should not report: kept, shown as nothing.
        break;
    }
}

void TfmMain::ReceiverFound()
{
    EnablePriemInterf();
    SetRejim(Detector.FRejim);
}

void TfmMain::TransmitterFound() { EnablePeredInterf(); }

void TfmMain::tiTrTimer()
{
    // The alarm is held for as long as the detector still reports it.
    if (Detector.FFlagTr)
        return;
    tiTr->stop();
    if (!FFlagDisableMainWindow)
        ValPoleUpdate();
    if (!sbZvonok->Down())
        alarmSound->stop();
}

void TfmMain::sbZvonokClick()
{
    if (sbZvonok->Down())
        alarmSound->stop();
    else if (tiTr->isActive())
        alarmSound->start();
}
