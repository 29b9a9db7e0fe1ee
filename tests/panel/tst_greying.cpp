// Greying the window out around a dialog and bringing it back exactly as it was.
#include "connection/DetectorConnection.h"
#include "LiveHeap.h"
#include "ProgramFixture.h"
#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/widgets.h"

#include <QGroupBox>
#include <QtTest>

namespace {
// Every element the saved appearance covers, as "name value" lines, so that a difference
// names the element.
QStringList appearance()
{
    TfmMain* m = fmMain;
    QStringList out;
    auto colour = [&](const char* name, const QColor& c) { out << QString("%1 %2").arg(name, c.name()); };
    auto flag = [&](const char* name, bool b) { out << QString("%1 %2").arg(name).arg(b); };
    colour("font gbNastr", textColor(m->gbNastr));
    colour("font gbPar", textColor(m->gbPar));
    for (auto [name, w] : {std::pair{"paRab", (QWidget*)m->paRab}, {"paUst", m->paUst}, {"paKnReg", m->paKnReg},
                           {"paMessage", m->paMessage}, {"paSost", m->paSost}, {"paKn", m->paKn},
                           {"paRele", m->paRele}, {"paPit", m->paPit}, {"paKr", m->paKr}})
        colour(name, background(w));
    for (auto [name, w] : {std::pair{"font paMessage", (QWidget*)m->paMessage}, {"font paSost", m->paSost},
                           {"font paRele", m->paRele}, {"font paPit", m->paPit}, {"font paKr", m->paKr},
                           {"font stPered", m->stPered}})
        colour(name, textColor(w));
    colour("PM marker", fmMain->PM->brColorMarker);
    colour("PH all", fmMain->PH->brColorAllHyst);
    colour("PH pole", fmMain->PH->brColorPoleHyst);
    colour("UH verh", fmMain->UH->brColorUstHystVerh);
    colour("UH middle", fmMain->UH->brColorUstHystMiddle);
    colour("UH niz", fmMain->UH->brColorUstHystNiz);
    colour("UM marker", fmMain->UM->brColorUstMarker);
    for (int i = 0; i < 7; ++i) {
        colour("shPole", m->shPole()[i]->penColor());
        colour("shUst", m->shUst()[i]->penColor());
        flag("laPole", m->laPole()[i]->isEnabled());
        flag("laUst", m->laUst()[i]->isEnabled());
    }
    for (auto [name, w] : {std::pair{"bbPlus", (QWidget*)m->bbPlus}, {"bbMinus", m->bbMinus},
                           {"sbRabota", m->sbRabota}, {"sbUst", m->sbUst}, {"bbLiter", m->bbLiter},
                           {"bbSkor", m->bbSkor}, {"bbAddr", m->bbAddr}, {"bbAbout", m->bbAbout},
                           {"bbClose", m->bbClose}, {"laRele", m->laRele}, {"laPit", m->laPit},
                           {"laKr", m->laKr}, {"sbZvonok", m->sbZvonok}, {"sbAim", m->sbAim}, {"stPorogMarker", m->stPorogMarker},
                           {"stPoleHyst", m->stPoleHyst}, {"stUstHyst", m->stUstHyst}, {"stLiter", m->stLiter},
                           {"stSkor", m->stSkor}, {"stAddr", m->stAddr}, {"stPort", m->stPort},
                           {"stIzv", m->stIzv}, {"stVersPr", m->stVersPr}, {"stBaud", m->stBaud},
                           {"stPered", m->stPered}, {"stPorogMarkerNadp", m->stPorogMarkerNadp},
                           {"stPoleHystTitle", m->stPoleHystTitle}, {"stUstHystTitle", m->stUstHystTitle},
                           {"sbHelpDej", m->sbHelpDej}, {"sbHelpUst", m->sbHelpUst}})
        flag(name, w->isEnabled());
    flag("allowAllUp", m->modePair->AllowAllUp());
    flag("down sbRabota", m->sbRabota->Down());
    flag("down sbUst", m->sbUst->Down());
    return out;
}

QImage grabArea(QWidget* panel, QWidget* area)
{
    return panel->grab(area->geometry()).toImage();
}

bool uniform(const QImage& img, const QColor& c, int tolerance = 0)
{
    const auto near = [tolerance](int a, int b) { return qAbs(a - b) <= tolerance; };
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (!near(p.red(), c.red()) || !near(p.green(), c.green()) || !near(p.blue(), c.blue()))
                return false;
        }
    return true;
}
}  // namespace

class tst_Greying : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { delete program; }
    void roundTrip_data();
    void roundTrip();
    void modeChangeWhileGreyed();
    void manyDialogsKeepMemoryBounded();

private:
    ProgramFixture* program = nullptr;
};

void tst_Greying::init()
{
    program = new ProgramFixture;
    program->start();
    QVERIFY(QTest::qWaitForWindowExposed(fmMain));
}

void tst_Greying::roundTrip_data()
{
    QTest::addColumn<int>("ident");
    QTest::addColumn<int>("mode");
    QTest::newRow("receiver in duty mode") << 22 << int(dej);
    QTest::newRow("receiver in alignment") << 22 << int(ust);
    QTest::newRow("transmitter") << 32 << int(vklpit);
}

void tst_Greying::roundTrip()
{
    QFETCH(int, ident);
    QFETCH(int, mode);
    TfmMain* m = fmMain;
    m->SetIdent(TIdent(ident));
    m->connection->SetFlagReply(true);
    if (ident == 32) {
        m->EnablePeredInterf();
    } else {
        m->EnablePriemInterf();
        m->SetRejim(TRejim(mode));
    }
    m->SetReqState(0x13);
    const QStringList before = appearance();
    const QImage rabBefore = m->paRab->grab().toImage(), ustBefore = m->paUst->grab().toImage();

    m->DisableMainWindow();
    QVERIFY(m->FlagDisableMainWindow());
    QVERIFY(!m->sbRabota->Down() && !m->sbUst->Down());
    QVERIFY(m->modePair->AllowAllUp());
    QVERIFY(!m->bbAbout->isEnabled() && !m->sbZvonok->isEnabled() && !m->sbAim->isEnabled() && !m->laUst0_0->isEnabled());
    QCOMPARE(textColor(m->stPered), clBtnFace());
    if (ident == 32)  // the red note is gone, not grey (blending leaves a rounding step)
        QVERIFY(uniform(m->stPered->grab().toImage(), clBtnFace(), 2));
    QCOMPARE(background(m->paKnReg), cl3DLight());
    // The scales are blank: only the greyed panel shows where they lie.
    for (PaintArea* a : {m->pbPoleHyst, m->pbPorogMarker})
        QVERIFY2(uniform(grabArea(m->paRab, a), cl3DLight()), a->metaObject()->className());
    for (PaintArea* a : {m->pbUstHyst, m->pbUstHystMarker})
        QVERIFY(uniform(grabArea(m->paUst, a), cl3DLight()));

    m->RestoreMainWindow();
    QVERIFY(!m->FlagDisableMainWindow());
    QCOMPARE(appearance(), before);
    QCOMPARE(m->paRab->grab().toImage(), rabBefore);
    QCOMPARE(m->paUst->grab().toImage(), ustBefore);
}

void tst_Greying::modeChangeWhileGreyed()
{
    TfmMain* m = fmMain;
    m->SetIdent(22);
    m->connection->SetFlagReply(true);
    m->EnablePriemInterf();
    m->SetRejim(dej);

    m->DisableMainWindow();
    m->SetRejim(ust);
    m->RestoreMainWindow();

    QVERIFY(m->sbUst->Down());
    QVERIFY(!m->sbRabota->Down());
    QVERIFY(!m->modePair->AllowAllUp());
    QCOMPARE(background(m->paUst), COL_PAN_REJIM_ACT);
    QCOMPARE(background(m->paRab), COL_PAN_REJIM_INACT);
    QVERIFY(m->sbHelpUst->isEnabled() && !m->sbHelpDej->isEnabled() && !m->bbPlus->isEnabled());
    QCOMPARE(fmMain->UM->brColorUstMarker, clRed);
}

// Each round gives dozens of widgets new palettes; the style's drawings of them must not pile up.
void tst_Greying::manyDialogsKeepMemoryBounded()
{
    TfmMain* m = fmMain;
    m->SetIdent(22);
    m->connection->SetFlagReply(true);
    m->EnablePriemInterf();
    m->SetRejim(dej);
    auto rounds = [m](int n) {
        for (int i = 0; i < n; ++i) {
            m->DisableMainWindow();
            m->repaint();
            m->RestoreMainWindow();
            m->repaint();
        }
    };
    rounds(20);
    const long warm = liveHeapKb();
    rounds(300);
    QVERIFY2(liveHeapKb() - warm < 256, qPrintable(QString("%1 kB").arg(liveHeapKb() - warm)));
}

QTEST_MAIN(tst_Greying)
#include "tst_greying.moc"
