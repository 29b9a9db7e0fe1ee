#include "ProgramFixture.h"
#include "dialogs/addr.h"
#include "connection/DetectorConnection.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"

#include <QLabel>
#include <QtTest>

class tst_Translate : public QObject {
    Q_OBJECT
private slots:
    void init() { program = new ProgramFixture; }
    void cleanup() { delete program; }
    void identifier();
    void letterSpeedVersionThreshold();
    void modeReplies();
    void alarmAndField();
    void modelLookup_data();
    void modelLookup();

private:
    ProgramFixture* program = nullptr;
};

void tst_Translate::identifier()
{
    decodeReply({100, 22, 0});
    QCOMPARE(fmMain->connection->fmIdent.Ident(), 1);
    decodeReply({100, 0x20, 7});
    QCOMPARE(int(fmMain->Detector.FIdent), 32);  // a transmitter never reaches the lookup: it would show 0
    QCOMPARE(fmMain->Detector.FAddr, 7);

    decodeReply({100, 22, 0});
    QCOMPARE(int(fmMain->Detector.FIdent), 22);
    QCOMPARE(fmMain->connection->fmIdent.Ident(), 1);
    QCOMPARE(fmMain->Detector.FAddr, 0);
}

void tst_Translate::letterSpeedVersionThreshold()
{
    decodeReply({104, 0});
    QCOMPARE(int(fmMain->Detector.FLit), 1);
    decodeReply({104, 7});
    QCOMPARE(int(fmMain->Detector.FLit), 8);
    decodeReply({105, 2});
    QCOMPARE(int(fmMain->Detector.FScor), 2);
    decodeReply({38, 1, 255});
    QCOMPARE(fmMain->Detector.FVersPr, (std::array<std::uint8_t, 2>{1, 255}));
    decodeReply({102, 9});
    QCOMPARE(int(fmMain->Detector.FPosPorog), 9);
    decodeReply({101, 40});
    QCOMPARE(int(fmMain->Detector.FPosUstMarker), 40);
    decodeReply({4, 0x13, 0, 0, 0});
    QCOMPARE(fmMain->paRele->text(), QStringLiteral("разомкнуто"));
    // Setting acknowledgements and unknown codes change nothing.
    const auto porog = fmMain->Detector.FPosPorog;
    for (int code : {1, 6, 110, 112, 113, 114, 115, 0, 255})
        decodeReply({code, 3, 3});
    QCOMPARE(fmMain->Detector.FPosPorog, porog);
}

void tst_Translate::modeReplies()
{
    fmMain->Detector.FRejim = dej;
    decodeReply({103, 0});  // equal to the current mode: nothing
    QVERIFY(!DispObmen->FlagSetRegDej);
    QVERIFY(!DispObmen->FlagSetRegUst);
    decodeReply({103, 7});  // out of range: stored, nothing else
    QCOMPARE(int(fmMain->Detector.FRejim), 7);
    QVERIFY(!DispObmen->FlagSetRegDej);
}

void tst_Translate::alarmAndField()
{
    decodeReply({107, 1});
    QVERIFY(fmMain->Detector.FFlagTr);
    decodeReply({107, 2});  // only 1 means alarm
    QVERIFY(!fmMain->Detector.FFlagTr);

    fmMain->BufValPole = 50;
    fmMain->stPoleHyst->setText(QStringLiteral("sentinel"));
    decodeReply({106, 50});
    QCOMPARE(int(fmMain->Detector.ValPole), 50);
    QCOMPARE(fmMain->stPoleHyst->text(), QStringLiteral("sentinel"));  // stored, not refreshed
}

void tst_Translate::modelLookup_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("shown");
    QTest::newRow("21") << 21 << 0 << 21;
    QTest::newRow("22") << 22 << 1 << 22;
    QTest::newRow("23") << 23 << 2 << 23;
    QTest::newRow("31") << 31 << 3 << 31;
    QTest::newRow("24") << 24 << -1 << 0;
    QTest::newRow("0") << 0 << -1 << 0;
    QTest::newRow("255") << 255 << -1 << 0;
}

void tst_Translate::modelLookup()
{
    QFETCH(int, code);
    QFETCH(int, index);
    QFETCH(int, shown);
    decodeReply({100, code, 0});
    QCOMPARE(fmMain->connection->fmIdent.Ident(), index);
    QCOMPARE(int(fmMain->Detector.FIdent), shown);
}

QTEST_MAIN(tst_Translate)
#include "tst_translate.moc"
