// The exchange end to end: the real program against the simulated detector on a pseudo-terminal.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "RequestLog.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
#include "connection/texts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

namespace {
const QList<int> kIdentification{100, 38, 104, 102, 105, 103, 4};
const QList<int> kDuty{4, 107, 101, 107, 103, 107, 106, 107};
}  // namespace

class tst_Exchange : public QObject {
    Q_OBJECT
private slots:
    void receiverInDutyMode_data();
    void receiverInDutyMode();
    void transmitter();
    void settingsTakeTheirTurn();
    void alignmentSeriesWraps_data();
    void alignmentSeriesWraps();
    void lateReplyAfterSearchIsDropped();
    void detectorIgnoringSpeedChange();
};

void tst_Exchange::receiverInDutyMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("speedIndex");
    QTest::addColumn<int>("baud");
    QTest::newRow("default speed") << QStringList() << 4 << 57600;
    QTest::newRow("-BAUD9600") << QStringList{"-BAUD9600"} << 1 << 9600;
    QTest::newRow("-BAUD115200") << QStringList{"-BAUD115200"} << 5 << 115200;
}

void tst_Exchange::receiverInDutyMode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, speedIndex);
    QFETCH(int, baud);
    ProgramWithUnit rig;
    QVERIFY(rig.start(arguments));
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= 8 + 2 + 16, 15000);
    const QList<SimRequest> r = rig.sim.requests();

    QCOMPARE(codes(r, 0, 7), kIdentification);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(r[i].baud, 4800);
    QCOMPARE(int(r[7].code), 1);
    QCOMPARE(r[7].param, speedIndex);
    // At the new speed: the duty series' first query, the mode confirmation, then the series
    // from its second command on.
    QCOMPARE(int(r[8].code), 4);
    QCOMPARE(int(r[9].code), 113);
    QCOMPARE(r[9].param, 0);
    QCOMPARE(codes(r, 10, 15), (kDuty.mid(1) + kDuty).mid(0, 15));
    for (int i = 8; i < r.size(); ++i) {
        QCOMPARE(r[i].baud, baud);
        QVERIFY(r[i].answered);
    }
    for (int i = 10; i < 25; ++i)  // the alarm query is every second request
        QCOMPARE(r[i].code == 107, i % 2 == 0);
    QVERIFY(fmMain->connection->FlagReply());
    QCOMPARE(fmMain->stBaud->text(), QString::number(baud));
}

void tst_Exchange::transmitter()
{
    SimConfig config;
    config.kind = SimConfig::Transmitter;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= 10, 15000);
    const QList<SimRequest> r = rig.sim.requests();
    QCOMPARE(codes(r, 0, 10), (QList<int>{100, 38, 104, 100, 100, 100, 100, 100, 100, 100}));
    for (const SimRequest& q : r)
        QCOMPARE(q.baud, 4800);
    QCOMPARE(fmMain->connection->tiTimeWaitRepl->interval(), 1000);
    QVERIFY(!logLines().contains(QString::fromUtf8(LOG_SUCCESS)));
    QCOMPARE(fmMain->stBaud->text(), QStringLiteral("4800"));
}

void tst_Exchange::settingsTakeTheirTurn()
{
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= 14, 15000);

    // Letter and threshold raised together: the letter first, the threshold after its reply,
    // then polling resumes. Two threshold steps before the next reply make one command.
    const int mark = rig.sim.requests().size();
    DispObmen->FlagSetPorog.raise(9);
    DispObmen->FlagSetLiter.raise(fmMain->Detector.FLit);
    DispObmen->FlagSetPorog.raise(6);
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= mark + 6, 5000);
    const QList<SimRequest> r = rig.sim.requests();
    const int lit = indexOfCode(r, 114, mark);
    QVERIFY(lit >= 0 && lit <= mark + 1);
    QCOMPARE(int(r[lit + 1].code), 112);
    QCOMPARE(r[lit + 1].param, 6);
    QVERIFY(r[lit + 2].param < 0);  // a query again
    QCOMPARE(indexOfCode(r, 112, lit + 2), -1);
    QCOMPARE(int(rig.sim.state().threshold), 6);
}

void tst_Exchange::alignmentSeriesWraps_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("atNewSpeed");  // what follows the speed command
    // Alignment is confirmed to the unit, then its series runs from its second command on.
    QTest::newRow("alignment") << 1 << QList<int>{4, 113, 101, 103, 101, 4, 101, 103, 101, 4, 101};
    // A freshly powered unit is watched like one being aligned, and its mode is left alone.
    QTest::newRow("power-on") << 2 << QList<int>{4, 101, 103, 101, 4, 101, 103, 101, 4, 101, 103};
}

void tst_Exchange::alignmentSeriesWraps()
{
    QFETCH(int, mode);
    QFETCH(QList<int>, atNewSpeed);
    SimConfig config;
    config.mode = quint8(mode);
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= 8 + atNewSpeed.size(), 15000);
    const QList<SimRequest> r = rig.sim.requests();
    QCOMPARE(codes(r, 8, int(atNewSpeed.size())), atNewSpeed);
    if (mode == 1)
        QCOMPARE(r[9].param, 1);
    QCOMPARE(rig.sim.state().mode, quint8(mode));
}

void tst_Exchange::lateReplyAfterSearchIsDropped()
{
    ProgramFixture program;
    DispObmen->Init();  // identification kind, search not running
    const auto porog = fmMain->Detector.FPosPorog;
    Receiver->ClearRe();
    Receiver->SetWaitByteCount(8);
    Receiver->SetWaitByteCountDub(8);
    const QByteArray reply("!660369\r");
    fmMain->connection->link->COMPReceiveData(fmMain->connection->COMP, reinterpret_cast<const std::uint8_t*>(reply.constData()), 8);
    QCOMPARE(fmMain->Detector.FPosPorog, porog);  // not decoded
    QVERIFY(!fmMain->connection->tiTimeWaitRepl->isEnabled());  // and nothing sent
    QCOMPARE(int(DispObmen->SerialIndex()), 0);
}

void tst_Exchange::detectorIgnoringSpeedChange()
{
    SimConfig config;
    config.ignoreSetBr = true;
    ProgramWithUnit rig(config);
    QElapsedTimer clock;
    qint64 firstAtNewSpeed = -1;
    connect(&rig.sim, &SimulatedDetector::requestReceived, [&](const SimRequest& q) {
        if (firstAtNewSpeed < 0 && q.baud != 4800)
            firstAtNewSpeed = clock.elapsed();
    });
    clock.start();
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(firstAtNewSpeed >= 0, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 5000);
    const qint64 lostAfter = clock.elapsed() - firstAtNewSpeed;
    // The reply timer was started by the speed command and not restarted by this query.
    QVERIFY2(lostAfter > 900 && lostAfter < 1700, qPrintable(QString::number(lostAfter)));
    QVERIFY(!rig.sim.requests()[8].answered);
}

QTEST_MAIN(tst_Exchange)
#include "tst_exchange.moc"
