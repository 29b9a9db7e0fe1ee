#include "panel/main.h"

#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/widgets.h"

#include <QGroupBox>

void TfmMain::DisableMainWindow()
{
    SetFlagDisableMainWindow(true);

    // Each element in the record's order: save it, then grey it.
    TColorBufMainWin& b = CBMW;
    const QColor light = cl3DLight();
    const QColor scroll = clScrollBar();

    auto font = [scroll](QColor& field, QWidget* w) { field = textColor(w); setTextColor(w, scroll); };
    auto back = [light](QColor& field, QWidget* w) { field = background(w); setBackground(w, light); };
    auto brush = [light](QColor& field, QColor& colour) { field = colour; colour = light; };
    auto pen = [light](QColor& field, TickShape* t) { field = t->penColor(); t->setPenColor(light); };
    auto disable = [](bool& field, QWidget* w) { field = w->isEnabled(); w->setEnabled(false); };

    font(b.col_gbNastr_font, gbNastr);
    font(b.col_gbPar_font, gbPar);
    back(b.col_paRab, paRab);
    back(b.col_paUst, paUst);
    back(b.col_paKnReg, paKnReg);
    back(b.col_paMessage, paMessage);
    back(b.col_paSost, paSost);
    font(b.col_paMessage_font, paMessage);
    font(b.col_paSost_font, paSost);
    back(b.col_paKn, paKn);
    back(b.col_paRele, paRele);
    back(b.col_paPit, paPit);
    back(b.col_paKr, paKr);
    font(b.col_font_paRele, paRele);
    font(b.col_font_paPit, paPit);
    font(b.col_font_paKr, paKr);
    brush(b.col_pbPorogMarker, PM->brColorMarker);
    brush(b.col_pbPoleAllHyst, PH->brColorAllHyst);
    brush(b.col_pbPoleHyst, PH->brColorPoleHyst);
    brush(b.col_ustHystVerh, UH->brColorUstHystVerh);
    brush(b.col_ustHystMiddle, UH->brColorUstHystMiddle);
    brush(b.col_ustHystNiz, UH->brColorUstHystNiz);
    brush(b.col_ustMarker, UM->brColorUstMarker);
    // The transmitter's red note vanishes into the button face.
    b.col_font_stPered = textColor(stPered);
    setTextColor(stPered, clBtnFace());
    pen(b.col_shPole0_0, shPole0_0);
    pen(b.col_shPole0_5, shPole0_5);
    pen(b.col_shPole1_0, shPole1_0);
    pen(b.col_shPole1_5, shPole1_5);
    pen(b.col_shPole2_0, shPole2_0);
    pen(b.col_shPole2_5, shPole2_5);
    pen(b.col_shPole3_0, shPole3_0);
    pen(b.col_shUst0_0, shUst0_0);
    pen(b.col_shUst0_5, shUst0_5);
    pen(b.col_shUst1_0, shUst1_0);
    pen(b.col_shUst1_5, shUst1_5);
    pen(b.col_shUst2_0, shUst2_0);
    pen(b.col_shUst2_5, shUst2_5);
    pen(b.col_shUst3_0, shUst3_0);
    disable(b.en_bbPlus, bbPlus);
    disable(b.en_bbMinus, bbMinus);
    disable(b.en_sbRabota, sbRabota);
    disable(b.en_sbUst, sbUst);
    // The pair shares one permission; it must be on before the pressed button can go up.
    b.en_sbRabota_AllowAllUp = modePair->AllowAllUp();
    modePair->SetAllowAllUp(true);
    b.en_sbUst_AllowAllUp = modePair->AllowAllUp();
    modePair->SetAllowAllUp(true);
    disable(b.en_bbLiter, bbLiter);
    disable(b.en_bbSkor, bbSkor);
    disable(b.en_bbAddr, bbAddr);
    disable(b.en_bbAbout, bbAbout);
    disable(b.en_bbTrend, bbTrend);
    disable(b.en_bbClose, bbClose);
    disable(b.en_laRele, laRele);
    disable(b.en_laPit, laPit);
    disable(b.en_laKr, laKr);
    b.down_sbRabota = sbRabota->Down();
    modePair->SetDown(sbRabota, false);
    b.down_sbUst = sbUst->Down();
    modePair->SetDown(sbUst, false);
    disable(b.en_sbZvonok, sbZvonok);
    disable(b.en_sbAim, sbAim);
    disable(b.en_stPorogMarker, stPorogMarker);
    disable(b.en_stPoleHyst, stPoleHyst);
    disable(b.en_stUstHyst, stUstHyst);
    disable(b.en_stLiter, stLiter);
    disable(b.en_stSkor, stSkor);
    disable(b.en_stAddr, stAddr);
    disable(b.en_stPort, stPort);
    disable(b.en_stIzv, stIzv);
    disable(b.en_stVersPr, stVersPr);
    disable(b.en_stBaud, stBaud);
    disable(b.en_stPered, stPered);
    disable(b.en_stPorogMarkerNadp, stPorogMarkerNadp);
    disable(b.en_stPoleHystTitle, stPoleHystTitle);
    disable(b.en_stUstHystTitle, stUstHystTitle);
    disable(b.en_sbHelpDej, sbHelpDej);
    disable(b.en_sbHelpUst, sbHelpUst);
    disable(b.en_laPole0_0, laPole0_0);
    disable(b.en_laPole0_5, laPole0_5);
    disable(b.en_laPole1_0, laPole1_0);
    disable(b.en_laPole1_5, laPole1_5);
    disable(b.en_laPole2_0, laPole2_0);
    disable(b.en_laPole2_5, laPole2_5);
    disable(b.en_laPole3_0, laPole3_0);
    disable(b.en_laUst0_0, laUst0_0);
    disable(b.en_laUst0_5, laUst0_5);
    disable(b.en_laUst1_0, laUst1_0);
    disable(b.en_laUst1_5, laUst1_5);
    disable(b.en_laUst2_0, laUst2_0);
    disable(b.en_laUst2_5, laUst2_5);
    disable(b.en_laUst3_0, laUst3_0);

    pbPorogMarker->repaintNow();
    pbPoleHyst->repaintNow();
    pbUstHyst->repaintNow();
    pbUstHystMarker->repaintNow();
    updateAimingTone();
}

void TfmMain::RestoreMainWindow()
{
    SetFlagDisableMainWindow(false);

    const TColorBufMainWin& b = CBMW;
    setTextColor(gbNastr, b.col_gbNastr_font);
    setTextColor(gbPar, b.col_gbPar_font);
    setBackground(paRab, b.col_paRab);
    setBackground(paUst, b.col_paUst);
    setBackground(paKnReg, b.col_paKnReg);
    setBackground(paMessage, b.col_paMessage);
    setBackground(paSost, b.col_paSost);
    setTextColor(paMessage, b.col_paMessage_font);
    setTextColor(paSost, b.col_paSost_font);
    setBackground(paKn, b.col_paKn);
    setBackground(paRele, b.col_paRele);
    setBackground(paPit, b.col_paPit);
    setBackground(paKr, b.col_paKr);
    setTextColor(paRele, b.col_font_paRele);
    setTextColor(paPit, b.col_font_paPit);
    setTextColor(paKr, b.col_font_paKr);
    PM->brColorMarker = b.col_pbPorogMarker;
    PH->brColorAllHyst = b.col_pbPoleAllHyst;
    PH->brColorPoleHyst = b.col_pbPoleHyst;
    UH->brColorUstHystVerh = b.col_ustHystVerh;
    UH->brColorUstHystMiddle = b.col_ustHystMiddle;
    UH->brColorUstHystNiz = b.col_ustHystNiz;
    UM->brColorUstMarker = b.col_ustMarker;
    setTextColor(stPered, b.col_font_stPered);
    shPole0_0->setPenColor(b.col_shPole0_0);
    shPole0_5->setPenColor(b.col_shPole0_5);
    shPole1_0->setPenColor(b.col_shPole1_0);
    shPole1_5->setPenColor(b.col_shPole1_5);
    shPole2_0->setPenColor(b.col_shPole2_0);
    shPole2_5->setPenColor(b.col_shPole2_5);
    shPole3_0->setPenColor(b.col_shPole3_0);
    shUst0_0->setPenColor(b.col_shUst0_0);
    shUst0_5->setPenColor(b.col_shUst0_5);
    shUst1_0->setPenColor(b.col_shUst1_0);
    shUst1_5->setPenColor(b.col_shUst1_5);
    shUst2_0->setPenColor(b.col_shUst2_0);
    shUst2_5->setPenColor(b.col_shUst2_5);
    shUst3_0->setPenColor(b.col_shUst3_0);
    bbPlus->setEnabled(b.en_bbPlus);
    bbMinus->setEnabled(b.en_bbMinus);
    sbRabota->setEnabled(b.en_sbRabota);
    sbUst->setEnabled(b.en_sbUst);
    // The permission goes back before the down states, which it governs.
    modePair->SetAllowAllUp(b.en_sbRabota_AllowAllUp);
    modePair->SetAllowAllUp(b.en_sbUst_AllowAllUp);
    bbLiter->setEnabled(b.en_bbLiter);
    bbSkor->setEnabled(b.en_bbSkor);
    bbAddr->setEnabled(b.en_bbAddr);
    bbAbout->setEnabled(b.en_bbAbout);
    bbTrend->setEnabled(b.en_bbTrend);
    bbClose->setEnabled(b.en_bbClose);
    laRele->setEnabled(b.en_laRele);
    laPit->setEnabled(b.en_laPit);
    laKr->setEnabled(b.en_laKr);
    modePair->SetDown(sbRabota, b.down_sbRabota);
    modePair->SetDown(sbUst, b.down_sbUst);
    sbZvonok->setEnabled(b.en_sbZvonok);
    sbAim->setEnabled(b.en_sbAim);
    stPorogMarker->setEnabled(b.en_stPorogMarker);
    stPoleHyst->setEnabled(b.en_stPoleHyst);
    stUstHyst->setEnabled(b.en_stUstHyst);
    stLiter->setEnabled(b.en_stLiter);
    stSkor->setEnabled(b.en_stSkor);
    stAddr->setEnabled(b.en_stAddr);
    stPort->setEnabled(b.en_stPort);
    stIzv->setEnabled(b.en_stIzv);
    stVersPr->setEnabled(b.en_stVersPr);
    stBaud->setEnabled(b.en_stBaud);
    stPered->setEnabled(b.en_stPered);
    stPorogMarkerNadp->setEnabled(b.en_stPorogMarkerNadp);
    stPoleHystTitle->setEnabled(b.en_stPoleHystTitle);
    stUstHystTitle->setEnabled(b.en_stUstHystTitle);
    sbHelpDej->setEnabled(b.en_sbHelpDej);
    sbHelpUst->setEnabled(b.en_sbHelpUst);
    laPole0_0->setEnabled(b.en_laPole0_0);
    laPole0_5->setEnabled(b.en_laPole0_5);
    laPole1_0->setEnabled(b.en_laPole1_0);
    laPole1_5->setEnabled(b.en_laPole1_5);
    laPole2_0->setEnabled(b.en_laPole2_0);
    laPole2_5->setEnabled(b.en_laPole2_5);
    laPole3_0->setEnabled(b.en_laPole3_0);
    laUst0_0->setEnabled(b.en_laUst0_0);
    laUst0_5->setEnabled(b.en_laUst0_5);
    laUst1_0->setEnabled(b.en_laUst1_0);
    laUst1_5->setEnabled(b.en_laUst1_5);
    laUst2_0->setEnabled(b.en_laUst2_0);
    laUst2_5->setEnabled(b.en_laUst2_5);
    laUst3_0->setEnabled(b.en_laUst3_0);

    // The bar too: in the transmitter view nothing else would draw it again.
    pbPorogMarker->repaintNow();
    pbPoleHyst->repaintNow();
    pbUstHyst->repaintNow();
    pbUstHystMarker->repaintNow();

    SetRejim(Detector.FRejim);
    ValPoleUpdate();
}
