// The threshold, field and alignment values: their read-outs in volts, the field bar with the
// alarm colours, and the threshold controls (buttons and marker drag).
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "panel/AlarmSound.h"
#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/readouts.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"
#include "protocol/DetectorUnits.h"
#include "protocol/obmen.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
constexpr int MARKER_HEIGHT = 5;

void placeMarker(TRect& marker, int top)
{
    marker.Top = top;
    marker.Bottom = top + MARKER_HEIGHT;
}
}  // namespace

void TfmMain::SetPosPorog(TPosPorog p)
{
    Detector.FPosPorog = p;
    SetValPosPor(porogInPole(p));
    stPorogMarker->setText(voltText(porogTenths(p)));
    bbPlus->setEnabled(Detector.FPosPorog < POROG_MAX);
    bbMinus->setEnabled(Detector.FPosPorog > 0);
    PM->areaMarker = PM->getKoorPorogMarker(shownPorog(Detector.FPosPorog));
    pbPorogMarker->repaintNow();
}

void TfmMain::SetPosUstMarker(TPosUstMarker s)
{
    // Dropped while a dialog is open; the next poll brings the value again.
    if (FFlagDisableMainWindow)
        return;
    Detector.FPosUstMarker = s;
    stUstHyst->setText(voltText(ustTenths(s)));
    switch (signalZone(s)) {
    case SignalZone::Strong:
        paMessage->setText(QString::fromUtf8(CAPT_PAN_MES_VERH));
        setTextColor(paMessage, clRed);
        break;
    case SignalZone::Weak:
        paMessage->setText(QString::fromUtf8(CAPT_PAN_MES_NIZ));
        setTextColor(paMessage, clRed);
        break;
    case SignalZone::Normal:
        paMessage->setText(QString::fromUtf8(CAPT_PAN_MES_NORM));
        setTextColor(paMessage, clWindowText());
        break;
    }
    UM->areaUstMarker = UM->getKoorUstMarker(shownUst(Detector.FPosUstMarker));
    if (BufUstMarkerPos != Detector.FPosUstMarker) {
        BufUstMarkerPos = Detector.FPosUstMarker;
        pbUstHystMarker->repaintNow();
    }
}

void TfmMain::SetValPole(TValPole v)
{
    Detector.ValPole = v;
    if (Detector.ValPole != BufValPole)
        ValPoleUpdate();
}

void TfmMain::ValPoleUpdate()
{
    if (FFlagDisableMainWindow || Detector.FIdent == IDENT_PERED)
        return;
    if (Detector.FRejim != dej) {
        pbPoleHyst->repaintNow();
        return;
    }
    BufValPole = Detector.ValPole;
    BufFlagTr = Detector.FFlagTr;
    if (Detector.FFlagTr && !tiTr->isActive()) {
        tiTr->start();
        if (!sbZvonok->Down())
            alarmSound->start();
    }
    // Once the report clears, the bar stays red only while the field is above the threshold;
    // the state panel waits for the hold timer.
    if (Detector.FFlagTr || (Detector.ValPole > FValPosPor && tiTr->isActive())) {
        PH->brColorPoleHyst = COL_POLE_HYST_TR;
        setBackground(paSost, COL_PAN_SOST_TR);
        paSost->setText(QString::fromUtf8(SOST_TR));
    } else {
        PH->brColorPoleHyst = COL_POLE_HYST_NORM;
    }
    if (!Detector.FFlagTr && !tiTr->isActive()) {
        setBackground(paSost, COL_PAN_SOST_NORM);
        paSost->setText(QString::fromUtf8(SOST_NORM));
    }
    stPoleHyst->setText(voltText(poleTenths(Detector.ValPole)));
    PH->areaPoleHyst.Top = PH->getTopPoleHyst(shownPole(Detector.ValPole));
    pbPoleHyst->repaintNow();
}

void TfmMain::bbPlusClick()
{
    const TPosPorog p = shownPorog(Detector.FPosPorog);
    if (p >= POROG_MAX)
        return;
    SetPosPorog(TPosPorog(p + 1));
    connection->link->dispatcher.FlagSetPorog.raise(Detector.FPosPorog);
    pbPorogMarker->repaintNow();
    ValPoleUpdate();
}

void TfmMain::bbMinusClick()
{
    // From a reported value beyond the scale, one step down from where the marker is shown.
    const TPosPorog p = shownPorog(Detector.FPosPorog);
    if (p == 0)
        return;
    SetPosPorog(TPosPorog(p - 1));
    connection->link->dispatcher.FlagSetPorog.raise(Detector.FPosPorog);
    pbPorogMarker->repaintNow();
    ValPoleUpdate();
}

void TfmMain::pbPorogMarkerMouseDown(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    // A second button pressed during a drag belongs to that drag.
    if (PM->markerZahvat || !sbRabota->Down() || !PM->inAreaMarker(at.x(), at.y()))
        return;
    FBufPosPorog = Detector.FPosPorog;
    PM->yOffset = at.y() - PM->areaMarker.Top;
    PM->markerZahvat = true;
    PM->brColorMarker = clYellow;
    placeMarker(PM->areaMarker, at.y() - PM->yOffset);
    QApplication::setOverrideCursor(Qt::SplitVCursor);
    pbPorogMarker->repaintNow();
}

void TfmMain::pbPorogMarkerMouseMove(QMouseEvent* e)
{
    if (!sbRabota->Down())
        return;
    // The marker's top stays within the travel between the two shelves.
    const int h = pbPorogMarker->height();
    const int y = std::clamp(int(e->position().y()), PM->yOffset + POROG_TOP, h - 10 + PM->yOffset);
    if (!PM->markerZahvat || !(e->buttons() & Qt::LeftButton))
        return;
    placeMarker(PM->areaMarker, y - PM->yOffset);
    const std::uint8_t r = std::min(PM->getPosPorogReal(PM->areaMarker), std::uint8_t(POROG_MAX));
    SetPosPorog(TPosPorog(POROG_MAX - r));
    // The marker snaps to the step it now stands for; the detector hears of it on release.
    placeMarker(PM->areaMarker, int(std::nearbyint(r * POROG_STEP + POROG_TOP)));
    pbPorogMarker->repaintNow();
}

void TfmMain::pbPorogMarkerMouseUp(QMouseEvent*)
{
    if (!PM->markerZahvat)
        return;
    if (FBufPosPorog != Detector.FPosPorog)
        connection->link->dispatcher.FlagSetPorog.raise(Detector.FPosPorog);
    PM->markerZahvat = false;
    PM->brColorMarker = clRed;
    QApplication::restoreOverrideCursor();
    ValPoleUpdate();
    pbPorogMarker->repaintNow();
}
