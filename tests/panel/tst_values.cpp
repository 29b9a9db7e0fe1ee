// The threshold, field and alignment values: read-outs, the field bar's alarm colour, and the
// threshold's buttons and marker drag.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "WireTap.h"

#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <memory>

class tst_Values : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void threshold_data();
    void threshold();
    void thresholdButtons_data();
    void thresholdButtons();
    void fieldValue_data();
    void fieldValue();
    void barDuringHold_data();
    void barDuringHold();
    void alignment_data();
    void alignment();
    void drag_data();
    void drag();

private:
    std::unique_ptr<ProgramFixture> program;
};

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

void receiverIn(TRejim mode)
{
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(mode);
}

void field(int value)
{
    fmMain->Detector.ValPole = TValPole(value);
    fmMain->ValPoleUpdate();
}
}  // namespace

void tst_Values::init()
{
    program = std::make_unique<ProgramFixture>();
    fmMain->InitInterf();
}

void tst_Values::cleanup()
{
    program.reset();
    // A drag left open would change the pointer for every test after it.
    const bool cursorLeft = QApplication::overrideCursor() != nullptr;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QVERIFY(!cursorLeft);
}

void tst_Values::threshold_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("inFieldUnits");
    QTest::addColumn<int>("markerTop");
    QTest::addColumn<bool>("plus");
    QTest::addColumn<bool>("minus");

    QTest::newRow("lowest") << 0 << "1.0 B" << 51 << 77 << true << false;
    QTest::newRow("middle") << 7 << "1.7 B" << 87 << 44 << true << true;
    QTest::newRow("highest") << 15 << "2.5 B" << 128 << 5 << false << true;
    // Kept as reported, shown at the top of the scale.
    QTest::newRow("beyond the scale") << 200 << "2.5 B" << 128 << 5 << false << true;
}

void tst_Values::threshold()
{
    QFETCH(int, position);
    receiverIn(dej);
    fmMain->SetPosPorog(TPosPorog(position));

    QCOMPARE(int(fmMain->PosPorog()), position);
    QTEST(fmMain->stPorogMarker->text(), "text");
    QTEST(int(fmMain->ValPosPor()), "inFieldUnits");
    QTEST(int(fmMain->PM->areaMarker.Top), "markerTop");
    QTEST(fmMain->bbPlus->isEnabled(), "plus");
    QTEST(fmMain->bbMinus->isEnabled(), "minus");
}

void tst_Values::thresholdButtons_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("plus");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("sent");  // empty: nothing set, a query follows

    QTest::newRow("up to the top") << 14 << true << 15 << "112 15";
    QTest::newRow("up at the top") << 15 << true << 15 << "";
    QTest::newRow("down to the bottom") << 1 << false << 0 << "112 0";
    QTest::newRow("down at the bottom") << 0 << false << 0 << "";
    QTest::newRow("down from beyond the scale") << 16 << false << 14 << "112 14";
}

void tst_Values::thresholdButtons()
{
    QFETCH(int, from);
    QFETCH(bool, plus);
    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    receiverIn(dej);
    fmMain->SetPosPorog(TPosPorog(from));
    line.startPolling();

    // The handlers themselves: entering duty mode enables both buttons whatever the position.
    plus ? fmMain->bbPlusClick() : fmMain->bbMinusClick();

    QTEST(int(fmMain->PosPorog()), "to");
    QTEST(setting(line.next()), "sent");
}

void tst_Values::fieldValue_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("barTop");

    QTest::newRow("empty") << 0 << "0.0 B" << 154;
    QTest::newRow("half") << 77 << "1.5 B" << 77;
    QTest::newRow("full") << 154 << "3.0 B" << 0;
    QTest::newRow("beyond the scale") << 200 << "3.0 B" << 0;
}

void tst_Values::fieldValue()
{
    QFETCH(int, value);
    receiverIn(dej);
    field(value);

    QTEST(fmMain->stPoleHyst->text(), "text");
    QTEST(int(fmMain->PH->areaPoleHyst.Top), "barTop");
    QCOMPARE(fmMain->PH->brColorPoleHyst, COL_POLE_HYST_NORM);
}

void tst_Values::barDuringHold_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("red");

    // Threshold position 15 is 128 on the field's scale; only a field above it counts.
    QTest::newRow("at the threshold") << 128 << false;
    QTest::newRow("just above") << 129 << true;
    QTest::newRow("beyond the scale") << 255 << true;
}

void tst_Values::barDuringHold()
{
    QFETCH(int, value);
    QFETCH(bool, red);
    receiverIn(dej);
    fmMain->SetPosPorog(15);

    fmMain->SetFlagTr(true);
    field(value);
    QCOMPARE(fmMain->PH->brColorPoleHyst, COL_POLE_HYST_TR);
    fmMain->SetFlagTr(false);
    fmMain->ValPoleUpdate();

    QCOMPARE(fmMain->PH->brColorPoleHyst, red ? COL_POLE_HYST_TR : COL_POLE_HYST_NORM);
    QCOMPARE(fmMain->paSost->text(), u(SOST_TR));

    fmMain->tiTrTimer();
    QCOMPARE(fmMain->PH->brColorPoleHyst, COL_POLE_HYST_NORM);
    QCOMPARE(fmMain->paSost->text(), u(SOST_NORM));
}

void tst_Values::alignment_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("red");
    QTest::addColumn<int>("markerTop");

    QTest::newRow("none") << 0 << "0.0 B" << u(CAPT_PAN_MES_NIZ) << true << 153;
    QTest::newRow("too weak") << 30 << "0.6 B" << u(CAPT_PAN_MES_NIZ) << true << 123;
    QTest::newRow("weakest normal") << 31 << "0.6 B" << u(CAPT_PAN_MES_NORM) << false << 122;
    QTest::newRow("strongest normal") << 134 << "2.6 B" << u(CAPT_PAN_MES_NORM) << false << 19;
    QTest::newRow("too strong") << 135 << "2.6 B" << u(CAPT_PAN_MES_VERH) << true << 18;
    QTest::newRow("full") << 153 << "3.0 B" << u(CAPT_PAN_MES_VERH) << true << 0;
    QTest::newRow("beyond the scale") << 220 << "3.0 B" << u(CAPT_PAN_MES_VERH) << true << 0;
}

void tst_Values::alignment()
{
    QFETCH(int, position);
    QFETCH(bool, red);
    receiverIn(ust);
    fmMain->SetPosUstMarker(TPosUstMarker(position));

    QCOMPARE(int(fmMain->UstMarkerPos()), position);
    QTEST(fmMain->stUstHyst->text(), "text");
    QTEST(fmMain->paMessage->text(), "message");
    QCOMPARE(textColor(fmMain->paMessage), red ? clRed : clWindowText());
    QTEST(int(fmMain->UM->areaUstMarker.Top), "markerTop");
}

void tst_Values::drag_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("grabAt");  // rows below the marker's top
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<bool>("grabbed");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("sent");  // empty: nothing set, a query follows

    QTest::newRow("down past the end") << int(dej) << Qt::LeftButton << 2 << QList<int>{60, 300} << true
                                       << 0 << "112 0";
    QTest::newRow("up past the end") << int(dej) << Qt::LeftButton << 2 << QList<int>{-100} << true << 15
                                     << "112 15";
    QTest::newRow("back to the start") << int(dej) << Qt::LeftButton << 2 << QList<int>{300, 46} << true
                                       << 7 << "";
    QTest::newRow("right button") << int(dej) << Qt::RightButton << 2 << QList<int>{300} << true << 7
                                  << "";
    QTest::newRow("outside the marker") << int(dej) << Qt::LeftButton << -20 << QList<int>{300} << false
                                        << 7 << "";
    QTest::newRow("alignment mode") << int(ust) << Qt::LeftButton << 2 << QList<int>{300} << false << 7
                                    << "";
}

void tst_Values::drag()
{
    QFETCH(int, mode);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, grabAt);
    QFETCH(QList<int>, moves);
    QFETCH(bool, grabbed);
    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    receiverIn(TRejim(mode));
    fmMain->SetPosPorog(7);
    line.startPolling();
    const QColor before = fmMain->PM->brColorMarker;
    PaintArea* area = fmMain->pbPorogMarker;
    const int x = 80;

    QTest::mousePress(area, button, {}, QPoint(x, fmMain->PM->areaMarker.Top + grabAt));
    QCOMPARE(fmMain->PM->brColorMarker == clYellow, grabbed);
    QCOMPARE(QApplication::overrideCursor() != nullptr, grabbed);
    if (grabbed)
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::SplitVCursor);
    for (int y : moves)
        QTest::mouseMove(area, QPoint(x, y));
    QTest::mouseRelease(area, button, {}, QPoint(x, moves.last()));

    QTEST(int(fmMain->PosPorog()), "position");
    QTEST(setting(line.next()), "sent");
    QCOMPARE(fmMain->PM->areaMarker.Top, fmMain->PM->getKoorPorogMarker(fmMain->PosPorog()).Top);
    QCOMPARE(fmMain->PM->brColorMarker, grabbed ? clRed : before);
    QVERIFY(!fmMain->PM->markerZahvat);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(tst_Values)
#include "tst_values.moc"
