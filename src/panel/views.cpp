// The two looks of the panel once a unit answers, the work-mode buttons and the help buttons.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "dialogs/help.h"
#include "panel/AlarmSound.h"
#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/state_texts.h"
#include "panel/texts.h"
#include "panel/widgets.h"
#include "protocol/obmen.h"

#include <QGroupBox>
#include <QTimer>

namespace {
void enableAll(std::initializer_list<QWidget*> widgets, bool on)
{
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

void setLook(std::initializer_list<QWidget*> widgets, const QColor& back, const QColor& text)
{
    for (QWidget* w : widgets) {
        setBackground(w, back);
        setTextColor(w, text);
    }
}
}  // namespace

void TfmMain::EnablePeredInterf()
{
    FPairNote.clear();
    FSpeedNote.clear();
    // A new unit starts without an alarm; one still sounding from the last unit ends here.
    Detector.FFlagTr = false;
    BufFlagTr = false;
    alarmSound->stop();

    sbZvonok->hide();
    sbAim->hide();
    // A transmitter reports neither field nor signal: there is no trend to open.
    bbTrend->hide();
    bbLiter->setEnabled(true);
    bbSkor->setEnabled(false);
    bbAddr->setEnabled(false);
    setTextColor(gbNastr, clScrollBar());
    for (QWidget* w : {paRab, paUst, paKnReg})
        setBackground(w, cl3DLight());
    setLook({paMessage, paSost, paRele, paPit, paKr}, cl3DLight(), clScrollBar());
    for (TickShape* sh : shPole())
        sh->setPenColor(cl3DLight());
    for (TickShape* sh : shUst())
        sh->setPenColor(cl3DLight());
    enableAll({bbPlus, bbMinus}, false);
    // After a receiver in duty or alignment mode the permission is still off, and the pressed
    // button would refuse to go up.
    modePair->SetAllowAllUp(true);
    modePair->SetDown(sbRabota, false);
    modePair->SetDown(sbUst, false);
    enableAll({sbRabota, sbUst}, false);
    enableAll({stPorogMarker, stPoleHyst, stUstHyst, stPorogMarkerNadp, stPoleHystTitle, stUstHystTitle,
                stSkor, stAddr, laRele, laPit, laKr, laSkor, laAddr},
               false);
    enableAll({stLiter, stPort, stBaud, stIzv, stVersPr, laLiter, laPort, laBaud, laIzv, laVersPr}, true);
    enableAll({sbHelpDej, sbHelpUst}, false);
    tiTr->stop();

    PM->brColorMarker = cl3DLight();
    PH->brColorAllHyst = cl3DLight();
    PH->brColorPoleHyst = cl3DLight();
    UH->brColorUstHystVerh = cl3DLight();
    UH->brColorUstHystMiddle = cl3DLight();
    UH->brColorUstHystNiz = cl3DLight();
    UM->brColorUstMarker = cl3DLight();

    stPered->setText(QString::fromUtf8(PERED_NOTE));
    stPered->show();
    stPered->setEnabled(true);
    for (QLabel* la : laPole())
        la->setEnabled(false);
    for (QLabel* la : laUst())
        la->setEnabled(false);
    for (PaintArea* pb : {pbPoleHyst, pbPorogMarker, pbUstHyst, pbUstHystMarker})
        pb->repaintNow();
}

void TfmMain::EnablePriemInterf()
{
    FPairNote.clear();
    FSpeedNote.clear();
    Detector.FFlagTr = false;
    BufFlagTr = false;
    alarmSound->stop();

    sbZvonok->show();
    sbAim->show();
    bbTrend->show();
    bbLiter->setEnabled(true);
    bbLiter->setText(QString::fromUtf8(CAPT_BB_LITER));
    bbSkor->setEnabled(true);
    bbSkor->setText(QString::fromUtf8(CAPT_BB_SKOR));
    // An address fixed on the command line is not to be changed from here.
    if (addr_obmen == 0)
        bbAddr->setEnabled(true);
    bbAddr->setText(QString::fromUtf8(CAPT_BB_ADDR));
    setTextColor(gbNastr, clWindowText());
    setTextColor(gbPar, clWindowText());
    for (QWidget* w : {paRab, paUst, paKnReg})
        setBackground(w, clBtnFace());
    setLook({paMessage}, clBtnFace(), clWindowText());
    paMessage->setText(QString::fromUtf8(CAPT_PAN_MES_NORM));
    setLook({paSost}, COL_PAN_SOST_NORM, clWindowText());
    paSost->setText(QString::fromUtf8(SOST_NORM));
    setLook({paRele}, COL_PAN_RELE_NORM, clWindowText());
    paRele->setText(QString::fromUtf8(RELE_NORM));
    setLook({paPit}, COL_PAN_PIT_NORM, clWindowText());
    paPit->setText(QString::fromUtf8(PIT_NORM));
    setLook({paKr}, COL_PAN_KR_NORM, clWindowText());
    paKr->setText(QString::fromUtf8(KR_NORM));
    for (TickShape* sh : shPole())
        sh->setPenColor(clBlack);
    for (TickShape* sh : shUst())
        sh->setPenColor(clBlack);
    enableAll({bbPlus, bbMinus}, false);
    // The view starts neutral; the mode applied right after it presses the reported button.
    enableAll({sbRabota, sbUst}, true);
    modePair->SetAllowAllUp(true);
    modePair->SetDown(sbRabota, false);
    modePair->SetDown(sbUst, false);
    enableAll({stPorogMarker, stPoleHyst, stUstHyst, stPorogMarkerNadp, stPoleHystTitle, stUstHystTitle,
                stSkor, stAddr, laRele, laPit, laKr, laSkor, laAddr, stLiter, stPort, stBaud, stIzv,
                stVersPr, laLiter, laPort, laBaud, laIzv, laVersPr},
               true);
    enableAll({sbHelpDej, sbHelpUst}, false);
    tiTr->stop();

    PM->brColorMarker = cl3DLight();
    PH->brColorAllHyst = cl3DLight();
    PH->brColorPoleHyst = COL_POLE_HYST_NORM;
    UH->brColorUstHystVerh = COL_UST_HYST_VERH_ACT;
    UH->brColorUstHystMiddle = COL_UST_HYST_MIDDLE_ACT;
    UH->brColorUstHystNiz = COL_UST_HYST_NIZ_ACT;
    UM->brColorUstMarker = clRed;

    stPered->setText(QString());
    stPered->hide();
    stPered->setEnabled(false);
    for (QLabel* la : laPole())
        la->setEnabled(true);
    for (QLabel* la : laUst())
        la->setEnabled(true);
    for (PaintArea* pb : {pbPoleHyst, pbPorogMarker, pbUstHyst, pbUstHystMarker})
        pb->repaintNow();
}

void TfmMain::sbRabotaClick()
{
    if (!sbRabota->Down()) {
        setBackground(paRab, COL_PAN_REJIM_INACT);
        enableAll({sbHelpDej, bbPlus, bbMinus}, false);
        PM->brColorMarker = cl3DLight();
        PH->brColorAllHyst = cl3DLight();
        PH->brColorPoleHyst = cl3DLight();
        pbPorogMarker->repaintNow();
        pbPoleHyst->repaintNow();
        return;
    }
    if (!FFlagDisableMainWindow) {
        setBackground(paRab, COL_PAN_REJIM_ACT);
        setBackground(paUst, COL_PAN_REJIM_INACT);
        sbHelpDej->setEnabled(true);
        sbHelpUst->setEnabled(false);
        enableAll({bbPlus, bbMinus}, true);
    } else {
        // The dialog's restore brings these states back.
        setBackground(paRab, cl3DLight());
        setBackground(paUst, cl3DLight());
        CBMW.en_sbHelpDej = true;
        CBMW.en_sbHelpUst = false;
        CBMW.en_bbPlus = true;
        CBMW.en_bbMinus = true;
    }
    PM->brColorMarker = clRed;
    PH->brColorAllHyst = clSilver;
    ValPoleUpdate();
    UH->brColorUstHystVerh = cl3DLight();
    UH->brColorUstHystMiddle = cl3DLight();
    UH->brColorUstHystNiz = cl3DLight();
    UM->brColorUstMarker = cl3DLight();
    for (PaintArea* pb : {pbPorogMarker, pbPoleHyst, pbUstHyst, pbUstHystMarker})
        pb->repaintNow();
    connection->link->dispatcher.FlagSetRegDej.raise();
}

void TfmMain::sbUstClick()
{
    if (!sbUst->Down())
        return;
    if (!FFlagDisableMainWindow) {
        setBackground(paUst, COL_PAN_REJIM_ACT);
        setBackground(paRab, COL_PAN_REJIM_INACT);
        setBackground(paMessage, clBtnFace());
    } else {
        setBackground(paUst, cl3DLight());
        setBackground(paRab, cl3DLight());
        setLook({paMessage}, cl3DLight(), clScrollBar());
    }
    sbHelpUst->setEnabled(true);
    enableAll({sbHelpDej, bbPlus, bbMinus}, false);
    PM->brColorMarker = cl3DLight();
    PH->brColorAllHyst = cl3DLight();
    PH->brColorPoleHyst = cl3DLight();
    UH->brColorUstHystVerh = COL_UST_HYST_VERH_ACT;
    UH->brColorUstHystMiddle = COL_UST_HYST_MIDDLE_ACT;
    UH->brColorUstHystNiz = COL_UST_HYST_NIZ_ACT;
    UM->brColorUstMarker = clRed;
    for (PaintArea* pb : {pbPorogMarker, pbPoleHyst, pbUstHyst, pbUstHystMarker})
        pb->repaintNow();
    connection->link->dispatcher.FlagSetRegUst.raise();
}

void TfmMain::sbHelpDejClick()
{
    VivHelp(QString::fromUtf8(HELP_WIN_CAPT_POR), QString::fromUtf8(HELP_TEXT_POR));
}

void TfmMain::sbHelpUstClick()
{
    VivHelp(QString::fromUtf8(HELP_WIN_CAPT_UST), QString::fromUtf8(HELP_TEXT_UST));
}

void TfmMain::ShowSpeedRefused(qint32 wantedBaud)
{
    FSpeedNote = QString::fromUtf8(SPEED_REFUSED_NOTE).arg(wantedBaud);
    // The letters come first: a pair that cannot work matters more than its line's speed.
    if (!FPairNote.isEmpty())
        return;
    // In the transmitter's note line, which a receiver leaves free, beside "График...".
    stPered->setText(FSpeedNote);
    stPered->show();
    stPered->setEnabled(true);
}

void TfmMain::showPairNote()
{
    const QString note = connection->letterMismatch()
                             ? QString::fromUtf8(PAIR_LETTER_NOTE).arg(*connection->pairLetter()).arg(Detector.FLit)
                             : QString();
    if (note == FPairNote)
        return;
    FPairNote = note;
    const QString shown = note.isEmpty() ? FSpeedNote : note;
    stPered->setText(shown);
    stPered->setVisible(!shown.isEmpty());
    stPered->setEnabled(!shown.isEmpty());
}
