// The main window as it is built: fixed size, the three layers, controls where they belong.
#include "ProgramFixture.h"
#include "panel/widgets.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

class tst_Layout : public QObject {
    Q_OBJECT
private slots:
    // One window for all: the _data functions need its controls.
    void initTestCase() { program = new ProgramFixture; }
    void cleanupTestCase() { delete program; }
    void windowIsFixed();
    void controlGeometry_data();
    void controlGeometry();
    void layersFollowTheBottomBar();
    void stacking();
    void repairLabelSitsLeftOfItsEdit();
    void lineBreakPairDrawsAsOneBreak();

private:
    ProgramFixture* program = nullptr;
};

void tst_Layout::windowIsFixed()
{
    QCOMPARE(fmMain->size(), QSize(794, 471));
    QCOMPARE(fmMain->minimumSize(), QSize(794, 471));
    QCOMPARE(fmMain->maximumSize(), QSize(794, 471));
    QVERIFY(!(fmMain->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(fmMain->windowTitle(), QString("ДОРВИК-М Визард v.2.17"));
    QCOMPARE(fmMain->font().pixelSize(), 11);
}

void tst_Layout::controlGeometry_data()
{
    QTest::addColumn<QWidget*>("control");
    QTest::addColumn<QWidget*>("container");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("pixelSize");
    TfmMain* m = fmMain;
    QTest::newRow("stMessage") << (QWidget*)m->stMessage << (QWidget*)m->paInit << QRect(191, 21, 369, 30) << 16;
    QTest::newRow("stText") << (QWidget*)m->stText << (QWidget*)m->paInit << QRect(210, 52, 335, 124) << 15;
    QTest::newRow("lbStepInit") << (QWidget*)m->lbStepInit << (QWidget*)m->paInit << QRect(196, 229, 369, 126) << 16;
    QTest::newRow("bbInitClose") << (QWidget*)m->bbInitClose << (QWidget*)m->paInit << QRect(524, 420, 230, 25) << 16;
    QTest::newRow("gbNastr") << (QWidget*)m->gbNastr << (QWidget*)m->paMain << QRect(1, 1, 336, 428) << 16;
    QTest::newRow("paSost") << (QWidget*)m->paSost << (QWidget*)m->gbNastr << QRect(2, 384, 332, 42) << 16;
    QTest::newRow("stPoleHystTitle") << (QWidget*)m->stPoleHystTitle << (QWidget*)m->paRab << QRect(76, 16, 109, 45) << 15;
    QTest::newRow("pbPorogMarker") << (QWidget*)m->pbPorogMarker << (QWidget*)m->paRab << QRect(14, 89, 162, 85) << 16;
    QTest::newRow("shPole0_5") << (QWidget*)m->shPole0_5 << (QWidget*)m->paRab << QRect(172, 193, 10, 2) << 16;
    QTest::newRow("laUst1_5") << (QWidget*)m->laUst1_5 << (QWidget*)m->paUst << QRect(79, 134, 21, 18) << 15;
    QTest::newRow("pbUstHystMarker") << (QWidget*)m->pbUstHystMarker << (QWidget*)m->paUst << QRect(18, 66, 45, 157) << 16;
    QTest::newRow("sbUst") << (QWidget*)m->sbUst << (QWidget*)m->paKnReg << QRect(224, 5, 100, 29) << 16;
    QTest::newRow("paPar") << (QWidget*)m->paPar << (QWidget*)m->gbPar << QRect(2, 21, 452, 405) << 16;
    QTest::newRow("bbSkor") << (QWidget*)m->bbSkor << (QWidget*)m->paPar << QRect(310, 92, 128, 75) << 16;
    QTest::newRow("stIzv") << (QWidget*)m->stIzv << (QWidget*)m->paPar << QRect(263, 277, 184, 25) << 16;
    QTest::newRow("sbZvonok") << (QWidget*)m->sbZvonok << (QWidget*)m->paPar << QRect(393, 350, 45, 44) << 16;
    QTest::newRow("paKr") << (QWidget*)m->paKr << (QWidget*)m->paKn << QRect(449, 5, 96, 28) << 16;
    QTest::newRow("bbClose") << (QWidget*)m->bbClose << (QWidget*)m->paKn << QRect(696, 7, 75, 25) << 13;
}

void tst_Layout::controlGeometry()
{
    QFETCH(QWidget*, control);
    QFETCH(QWidget*, container);
    QFETCH(QRect, rect);
    QFETCH(int, pixelSize);
    QCOMPARE(control->parentWidget(), container);
    QCOMPARE(control->geometry(), rect);
    QCOMPARE(control->font().pixelSize(), pixelSize);
}

void tst_Layout::layersFollowTheBottomBar()
{
    TfmMain* m = fmMain;
    QVERIFY(m->paKn->isHidden());
    QCOMPARE(m->paInit->geometry(), QRect(0, 0, 794, 471));
    QCOMPARE(m->paMain->geometry(), QRect(0, 0, 794, 471));

    // Before the window is first shown and after.
    for (int round = 0; round < 2; ++round) {
        m->paKn->show();
        QCOMPARE(m->paKn->geometry(), QRect(0, 430, 794, 41));
        QCOMPARE(m->paInit->geometry(), QRect(0, 0, 794, 430));
        QCOMPARE(m->paMain->geometry(), QRect(0, 0, 794, 430));
        m->paKn->hide();
        QCOMPARE(m->paInit->geometry(), QRect(0, 0, 794, 471));
        QCOMPARE(m->paMain->geometry(), QRect(0, 0, 794, 471));
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
    }
}

void tst_Layout::stacking()
{
    TfmMain* m = fmMain;
    // The start page covers the panel; within paRab the marker lies over the bar and the
    // ticks over the marker.
    QCOMPARE(m->childAt(400, 200), m->paInit);
    QCOMPARE(m->paRab->childAt(100, 150), m->pbPorogMarker);
    QCOMPARE(m->paRab->childAt(100, 200), m->pbPoleHyst);
    QCOMPARE(m->paRab->childAt(173, 145), m->shPole1_5);
    QCOMPARE(m->paUst->childAt(30, 100), m->pbUstHystMarker);
}

void tst_Layout::repairLabelSitsLeftOfItsEdit()
{
    const QRect label = fmMain->laRepair->geometry(), edit = fmMain->leRepair->geometry();
    QCOMPARE(fmMain->laRepair->text(), QString("Попытка восстановления через, с:"));
    QCOMPARE(label.right() + 1 + 3, edit.left());
    QVERIFY(qAbs(label.center().y() - edit.center().y()) <= 1);
    QVERIFY(label.left() >= 0);
    QVERIFY(!fmMain->leRepair->isEnabled());
}

void tst_Layout::lineBreakPairDrawsAsOneBreak()
{
    // Left-aligned, so a CR drawn as a blank would indent the second line.
    QLabel paired("Порог\n\rСигнал"), plain("Порог\nСигнал");
    for (QLabel* l : {&paired, &plain}) {
        l->setFixedSize(120, 50);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    QCOMPARE(paired.grab().toImage(), plain.grab().toImage());
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
