#include "SimScenario.h"
#include "SimulatedDetector.h"
#include "connection/TextCodec.h"
#include "connection/texts.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/frames.h"
#include "serial/CaptureFormat.h"
#include "serial/SerialDrv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray request(quint8 addr, RSerialStruct command, int param = -1)
{
    std::vector<Byte> payload{addr, command.CodCom};
    if (param >= 0)
        payload.push_back(Byte(param));
    const std::vector<Byte> f = frame::encode(frame::kRequestStart, payload);
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

// The program's own serial component on one side of the pseudo-terminal, the unit on the other.
struct Line {
    SimulatedDetector sim;
    TSerialPortDriver drv;
    QByteArray got;
    int chunks = 0;

    explicit Line(const SimConfig& config = {}) : sim(config)
    {
        drv.OnReceiveData = [this](TSerialPortDriver*, const std::uint8_t* data, int size) {
            got.append(reinterpret_cast<const char*>(data), size);
            ++chunks;
        };
    }
    bool open(TComPortBaudRate speed = br4800)
    {
        if (!sim.isOpen() && !sim.open())
            return false;
        drv.SetComPortName(sim.slavePath());
        drv.SetComPortBaudRate(speed);
        return drv.Connect();
    }
    void send(const QByteArray& bytes)
    {
        got.clear();
        chunks = 0;
        drv.SendData(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::uint32_t(bytes.size()));
    }
    // Sends and waits for a reply of the expected length; returns what came.
    QByteArray ask(const QByteArray& bytes, int expectedLength)
    {
        send(bytes);
        QElapsedTimer clock;
        clock.start();
        while (got.size() < expectedLength && clock.elapsed() < 2000)
            QTest::qWait(1);
        return got;
    }
};

int validate(const QByteArray& reply, int expectedLength)
{
    if (!Receiver)
        Receiver = new TReceiver;
    Receiver->ClearRe();
    for (char c : reply)
        Receiver->AddRe(Byte(c));
    Receiver->SetWaitByteCountDub(Byte(expectedLength));
    return TestRecData();
}

// What the program side does to its line in lineChangedUnderARequest.
enum LineChange { CloseLine, PutBack, Reopen, NewSpeed };

// The simulator program beside the tests; empty when it was not built there.
QString simProgram()
{
    const QString dir = qEnvironmentVariable("DORVIK_TEST_BINARY_DIR");
    const QString exe = dir + QStringLiteral("/tools/sim/dorvik_sim");
    return !dir.isEmpty() && QFile::exists(exe) ? exe : QString();
}

// What the demo launcher made in its TMPDIR. Qt keeps its own runtime folder there as well when
// XDG_RUNTIME_DIR is unset; that one is the program's, and stays.
QStringList launcherFiles(const QString& tmp)
{
    return QDir(tmp).entryList({QStringLiteral("dorvik-demo.*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

// The live processes of a process group; a zombie has ended and waits only for its parent.
QList<int> groupMembers(int group)
{
    QList<int> members;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString& pid : pids) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = f.readAll();
        // "pid (name) state ppid pgrp ...": the name may hold anything, so count from its ')'.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toInt() == group && fields[0] != "Z")
            members << pid.toInt();
    }
    return members;
}

}  // namespace

class tst_Simulator : public QObject {
    Q_OBJECT
private slots:
    void programRefusesABadCapture_data();
    void programRefusesABadCapture();
    void replayEndsWithItsRecording();
    void identificationSpeedSwitchAndPolls();
    void answers_data();
    void answers();
    void ignoredRequests_data();
    void ignoredRequests();
    void faultsOnTheWire_data();
    void faultsOnTheWire();
    void replyTiming_data();
    void replyTiming();
    void closedPortLosesThePendingReply();
    void lineChangedUnderARequest_data();
    void lineChangedUnderARequest();
    void addressing_data();
    void addressing();
    void addressChange_data();
    void addressChange();
    void speedKeptUntilPowerCycle();
    void powerCycleComesBackAt4800();
    void alarmFollowsTheField_data();
    void alarmFollowsTheField();
    void crossingsOnTheCommandLine_data();
    void crossingsOnTheCommandLine();
    void programServesRunScript();
    void programCyclesPowerOnSigusr1();
    void programEndsWithWatchedProcess_data();
    void programEndsWithWatchedProcess();
    void demoLauncherKilled_data();
    void demoLauncherKilled();
};

void tst_Simulator::identificationSpeedSwitchAndPolls()
{
    SimConfig c;
    c.model = 22;
    c.address = 42;
    c.version[0] = 2;
    c.version[1] = 7;
    c.letterIndex = 3;
    c.threshold = 9;
    c.speedIndex = 2;
    c.mode = 1;
    c.stateByte = 0x13;
    c.signal = 140;
    c.field = 154;
    c.alarm = true;
    Line line(c);
    QVERIFY(line.open(br4800));

    const struct { QByteArray req, reply; } identification[] = {
        {"$2A648E\r", "!64162AA4\r"},      // identifier 22, address 42
        {"$2A2650\r", "!2602072F\r"},      // version 2.7
        {"$2A6892\r", "!68036B\r"},        // letter index 3
        {"$2A6690\r", "!66096F\r"},        // threshold 9
        {"$2A6993\r", "!69026B\r"},        // crossing-speed range 2
        {"$2A6791\r", "!670168\r"},        // alignment mode
        {"$2A042E\r", "!041300000017\r"},  // state byte, then three zero bytes
    };
    for (const auto& step : identification)
        QCOMPARE(line.ask(step.req, int(step.reply.size())), step.reply);

    // The program asks for the new speed and drops the line at once: the command's tail
    // leaves at the wrong speed and the unit, hearing noise, stays where it was.
    QSignalSpy closed(&line.sim, &SimulatedDetector::portClosed);
    QSignalSpy judged(&line.sim, &SimulatedDetector::requestReceived);
    line.send(request(42, COM_CF_SETBR, 4));
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    QTRY_COMPARE(judged.count(), 1);
    QVERIFY(judged.last().at(0).value<SimRequest>().garbled);
    QCOMPARE(line.sim.state().baud, 4800);

    // Dropped only once the acknowledgement is in, the command has gone through; the unit
    // switches and the acknowledgement does not linger.
    QVERIFY(line.open(br4800));
    QCOMPARE(line.ask(request(42, COM_CF_SETBR, 4), 8), QByteArray("!010405\r"));
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    QTRY_COMPARE(line.sim.state().baud, 57600);
    QVERIFY(line.open(br57600));

    const struct { QByteArray req, reply; } polls[] = {
        {"$2A042E\r", "!041300000017\r"},
        {"$2A6B95\r", "!6B016C\r"},        // alarm
        {"$2A658F\r", "!658CF1\r"},        // signal 140
        {"$2A6A94\r", "!6A9A04\r"},        // field 154
        {"$2A70039D\r", "!7070\r"},        // threshold := 3 ...
        {"$2A6690\r", "!660369\r"},        // ... and the unit reports it
    };
    for (const auto& step : polls)
        QCOMPARE(line.ask(step.req, int(step.reply.size())), step.reply);

    // A new address takes effect after its acknowledgement: the old one is then ignored.
    QCOMPARE(line.ask("$2A060737\r", 8), QByteArray("!06070D\r"));
    QSignalSpy seen(&line.sim, &SimulatedDetector::requestReceived);
    line.send("$2A6690\r");
    QVERIFY(seen.wait(2000));
    QVERIFY(!seen.last().at(0).value<SimRequest>().answered);
    QCOMPARE(line.ask(request(7, COM_CF_REQPOR), 8), QByteArray("!660369\r"));
}

void tst_Simulator::answers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("req");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("transmitter identifies as 0x20") << int(SimConfig::Transmitter)
                                                    << QByteArray("$006464\r") << QByteArray("!64200084\r");
    QTest::newRow("resynchronises on '$'") << int(SimConfig::Receiver)
                                           << QByteArray("\x00\xFF$0$006666\r", 13)
                                           << QByteArray("!660F75\r");
    QTest::newRow("letter 9 refused") << int(SimConfig::Receiver) << QByteArray("$0072087A\r")
                                      << QByteArray("?7272\r");
    QTest::newRow("power-on mode cannot be set") << int(SimConfig::Receiver)
                                                 << QByteArray("$00710273\r") << QByteArray("?7171\r");
    QTest::newRow("unknown speed index refused") << int(SimConfig::Receiver)
                                                 << QByteArray("$00010607\r") << QByteArray("?010607\r");
}

void tst_Simulator::answers()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, req);
    QFETCH(QByteArray, reply);
    SimConfig c;
    c.kind = SimConfig::Kind(kind);
    Line line(c);
    QVERIFY(line.open());
    QCOMPARE(line.ask(req, int(reply.size())), reply);
    // A refused setting leaves the unit as it was.
    QCOMPARE(line.sim.state().letterIndex, quint8(0));
    QCOMPARE(line.sim.state().mode, quint8(0));
    QCOMPARE(line.sim.state().baud, 4800);
}

void tst_Simulator::ignoredRequests_data()
{
    enum { Plain, OtherSpeed, Silent, EmptyPort };
    QTest::addColumn<QByteArray>("req");
    QTest::addColumn<int>("setup");
    QTest::newRow("another address") << QByteArray("$016566\r") << int(Plain);
    QTest::newRow("bad checksum") << QByteArray("$006465\r") << int(Plain);
    QTest::newRow("lower-case digit") << QByteArray("$006a6a\r") << int(Plain);
    QTest::newRow("query with a parameter") << QByteArray("$00660167\r") << int(Plain);
    QTest::newRow("setting without one") << QByteArray("$007070\r") << int(Plain);
    QTest::newRow("unknown code") << QByteArray("$005050\r") << int(Plain);
    QTest::newRow("program at 9600, unit at 4800") << QByteArray("$000404\r") << int(OtherSpeed);
    QTest::newRow("silent") << QByteArray("$000404\r") << int(Silent);
    QTest::newRow("empty port") << QByteArray("$006464\r") << int(EmptyPort);
}

void tst_Simulator::ignoredRequests()
{
    QFETCH(QByteArray, req);
    QFETCH(int, setup);
    SimConfig c;
    if (setup == 3)
        c.kind = SimConfig::Empty;
    Line line(c);
    QVERIFY(line.open(setup == 1 ? br9600 : br4800));
    line.sim.setSilent(setup == 2);
    QSignalSpy seen(&line.sim, &SimulatedDetector::requestReceived);
    QSignalSpy sent(&line.sim, &SimulatedDetector::replySent);
    line.send(req);
    QVERIFY(seen.wait(2000));
    const SimRequest r = line.sim.requests().value(0);
    QCOMPARE(r.raw, req);
    QCOMPARE(r.baud, setup == 1 ? 9600 : 4800);
    QVERIFY(!r.answered);
    QVERIFY(!sent.wait(100));
    QVERIFY(line.got.isEmpty());
}

void tst_Simulator::faultsOnTheWire_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<quint8>("threshold");
    QTest::addColumn<int>("code");   // what the program's validation makes of it
    QTest::newRow("bad status byte") << 1 << quint8(7) << 1;
    QTest::newRow("wrong terminator") << 2 << quint8(7) << 2;
    QTest::newRow("refusal") << 3 << quint8(7) << 3;
    QTest::newRow("bad checksum") << 4 << quint8(7) << 4;
    QTest::newRow("lower-case digit") << 5 << quint8(7) << 5;
    QTest::newRow("lower-case, no letter to spoil") << 5 << quint8(3) << 5;
    QTest::newRow("truncated") << 6 << quint8(7) << 2;
}

void tst_Simulator::faultsOnTheWire()
{
    QFETCH(int, kind);
    QFETCH(quint8, threshold);
    QFETCH(int, code);
    SimConfig c;
    c.threshold = threshold;
    Line line(c);
    QVERIFY(line.open());
    QSignalSpy sent(&line.sim, &SimulatedDetector::replySent);

    line.sim.corruptNext(kind);
    line.send(request(0, COM_CF_REQPOR));
    QVERIFY(sent.wait(2000));
    const QByteArray bad = sent.last().at(0).toByteArray();
    QTRY_COMPARE(line.got, bad);
    QCOMPARE(bad.size() < COM_CF_REQPOR.RecPackSize, kind == 6);
    QCOMPARE(validate(bad, COM_CF_REQPOR.RecPackSize), code);

    // One reply only: the next one is sound.
    const QByteArray good = line.ask(request(0, COM_CF_REQPOR), COM_CF_REQPOR.RecPackSize);
    QCOMPARE(validate(good, COM_CF_REQPOR.RecPackSize), 0);
    QCOMPARE(Receiver->Getm_re(1), threshold);
}

void tst_Simulator::replyTiming_data()
{
    QTest::addColumn<bool>("pace");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<int>("atLeastChunks");
    // A 14-byte reply at 4800 bit/s, 10 bits a byte, takes 29 ms on the wire.
    QTest::newRow("paced at 4800") << true << 0 << 0 << 0 << 28 << 1;
    QTest::newRow("chunks of 3, 20 ms apart") << false << 3 << 20 << 0 << 78 << 2;
    QTest::newRow("processing delay") << false << 0 << 0 << 150 << 148 << 1;
}

void tst_Simulator::replyTiming()
{
    QFETCH(bool, pace);
    QFETCH(int, chunk);
    QFETCH(int, gapMs);
    QFETCH(int, delayMs);
    QFETCH(int, atLeastMs);
    QFETCH(int, atLeastChunks);
    SimConfig c;
    c.paceAtLineRate = pace;
    c.processingDelayMs = delayMs;
    c.stateByte = 0x10;
    Line line(c);
    line.sim.setChunking(chunk, gapMs);
    QVERIFY(line.open());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(line.ask(request(0, COM_CF_REQSTATE), 14), QByteArray("!041000000014\r"));
    QVERIFY2(clock.elapsed() >= atLeastMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(line.chunks >= atLeastChunks);
}

void tst_Simulator::closedPortLosesThePendingReply()
{
    SimConfig c;
    c.processingDelayMs = 100;
    Line line(c);
    QVERIFY(line.open());
    QSignalSpy closed(&line.sim, &SimulatedDetector::portClosed);
    line.send(request(0, COM_CF_REQSTATE));
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    // Reopened: only the answer to the new request arrives, nothing left over from before.
    QVERIFY(line.open());
    QSignalSpy sent(&line.sim, &SimulatedDetector::replySent);
    line.send(request(0, COM_CF_REQPOR));
    QVERIFY(sent.wait(2000));
    QTRY_COMPARE(line.got, QByteArray("!660F75\r"));
    QCOMPARE(sent.count(), 1);

    // Unplugged by a test the moment a request comes in, with another one right behind it.
    connect(&line.sim, &SimulatedDetector::requestReceived, &line.sim, &SimulatedDetector::vanish);
    line.sim.clearRequests();
    line.send(request(0, COM_CF_REQPOR) + request(0, COM_CF_REQSTATE));
    QTRY_VERIFY(!line.drv.Connected());  // the program's side sees its device go away
    QVERIFY(!line.sim.isOpen());
    QCOMPARE(line.sim.requests().size(), 1);
}

void tst_Simulator::lineChangedUnderARequest_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<bool>("waits");     // for the unit to have heard the whole command first
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("garbled");    // -1: the unit cannot tell
    QTest::addColumn<int>("unitBaud");
    // What a program does to its line right after writing the speed command.
    QTest::newRow("closed at once") << int(CloseLine) << false << false << 1 << 4800;
    QTest::newRow("settings put back at once") << int(PutBack) << false << false << 1 << 4800;
    QTest::newRow("closed and reopened at once") << int(Reopen) << false << false << 1 << 4800;
    // Indistinguishable from a command sent at 57600, which a unit at 4800 does not hear either.
    QTest::newRow("new speed at once") << int(NewSpeed) << false << false << -1 << 4800;
    QTest::newRow("closed once heard") << int(CloseLine) << true << true << 0 << 57600;
    QTest::newRow("settings put back once heard") << int(PutBack) << true << true << 0 << 57600;
    QTest::newRow("new speed once heard") << int(NewSpeed) << true << true << 0 << 57600;
}

void tst_Simulator::lineChangedUnderARequest()
{
    QFETCH(int, change);
    QFETCH(bool, waits);
    QFETCH(bool, answered);
    QFETCH(int, garbled);
    QFETCH(int, unitBaud);
    // The program's side as a serial port leaves it: it puts back the settings it found when
    // it lets go of the line, then closes.
    SimulatedDetector sim;
    QVERIFY(sim.open());
    int fd = ::open(qPrintable(sim.slavePath()), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios found{};
    QCOMPARE(::tcgetattr(fd, &found), 0);
    auto setSpeed = [&fd, &found](speed_t speed) {
        termios t = found;
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        return ::tcsetattr(fd, TCSANOW, &t) == 0;
    };
    QVERIFY(setSpeed(B4800));
    QSignalSpy judged(&sim, &SimulatedDetector::requestReceived);
    QCOMPARE(::write(fd, "$006464\r", 8), ssize_t(8));
    QVERIFY(judged.wait(2000));
    QVERIFY(judged.last().at(0).value<SimRequest>().answered);

    const QByteArray setBr = request(0, COM_CF_SETBR, 4);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::write(fd, setBr.constData(), size_t(setBr.size())), ssize_t(setBr.size()));
    if (waits) {
        // Ten bytes at 4800 bit/s are 20.8 ms on the wire; the unit judges none sooner.
        QVERIFY(judged.wait(2000));
        QVERIFY2(clock.elapsed() >= 20, qPrintable(QString::number(clock.elapsed())));
    }
    switch (change) {
    case CloseLine:
        ::tcsetattr(fd, TCSANOW, &found);
        ::close(fd);
        fd = -1;
        break;
    case PutBack:
        ::tcsetattr(fd, TCSANOW, &found);
        break;
    case Reopen:
        ::close(fd);
        fd = ::open(qPrintable(sim.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0 && setSpeed(B4800));
        break;
    case NewSpeed:
        QVERIFY(setSpeed(B57600));
        break;
    }
    QTRY_COMPARE_WITH_TIMEOUT(judged.count(), 2, 2000);
    const SimRequest r = judged.last().at(0).value<SimRequest>();
    QCOMPARE(r.raw, setBr);
    QCOMPARE(r.answered, answered);
    if (garbled >= 0)
        QCOMPARE(r.garbled, bool(garbled));
    QTRY_COMPARE(sim.state().baud, unitBaud);
    if (fd >= 0)
        ::close(fd);
}

void tst_Simulator::addressing_data()
{
    QTest::addColumn<quint8>("unit");
    QTest::addColumn<quint8>("to");
    QTest::addColumn<bool>("answered");
    QTest::newRow("unit 0, to 0") << quint8(0) << quint8(0) << true;
    QTest::newRow("unit 0, to 5") << quint8(0) << quint8(5) << false;
    QTest::newRow("unit 0, to 7") << quint8(0) << quint8(7) << false;
    QTest::newRow("unit 5, to 0") << quint8(5) << quint8(0) << true;
    QTest::newRow("unit 5, to 5") << quint8(5) << quint8(5) << true;
    QTest::newRow("unit 5, to 7") << quint8(5) << quint8(7) << false;
}

void tst_Simulator::addressing()
{
    QFETCH(quint8, unit);
    QFETCH(quint8, to);
    QFETCH(bool, answered);
    SimConfig c;
    c.address = unit;
    Line line(c);
    QVERIFY(line.open());
    QSignalSpy judged(&line.sim, &SimulatedDetector::requestReceived);
    line.send(request(to, COM_CF_REQPOR));
    QVERIFY(judged.wait(2000));
    QCOMPARE(judged.last().at(0).value<SimRequest>().answered, answered);
    if (answered)
        QTRY_COMPARE(line.got, QByteArray("!660F75\r"));
}

void tst_Simulator::addressChange_data()
{
    QTest::addColumn<quint8>("old");
    QTest::addColumn<quint8>("toldAt");
    QTest::newRow("from 0") << quint8(0) << quint8(0);
    QTest::newRow("from 5, told at 5") << quint8(5) << quint8(5);
    QTest::newRow("from 5, told at 0") << quint8(5) << quint8(0);
}

void tst_Simulator::addressChange()
{
    QFETCH(quint8, old);
    QFETCH(quint8, toldAt);
    SimConfig c;
    c.address = old;
    Line line(c);
    QVERIFY(line.open());
    QCOMPARE(line.ask(request(toldAt, COM_CF_SETADDR, 12), 8), QByteArray("!060C12\r"));
    QTRY_COMPARE(line.sim.state().address, quint8(12));

    // Identifier 21 and the unit's own address, now 12, whichever address asked.
    for (quint8 to : {quint8(12), quint8(0)})
        QCOMPARE(line.ask(request(to, COM_CF_REQID), 10), QByteArray("!64150C85\r"));
    QSignalSpy judged(&line.sim, &SimulatedDetector::requestReceived);
    line.send(request(old, COM_CF_REQID));
    QVERIFY(judged.wait(2000));
    QCOMPARE(judged.last().at(0).value<SimRequest>().answered, old == 0);
}

void tst_Simulator::speedKeptUntilPowerCycle()
{
    SimConfig c;
    c.address = 5;
    Line line(c);
    QVERIFY(line.open(br4800));
    QCOMPARE(line.ask(request(0, COM_CF_SETLIT, 3), 6), QByteArray("!7272\r"));
    QCOMPARE(line.ask(request(0, COM_CF_SETBR, 4), 8), QByteArray("!010405\r"));
    QTRY_COMPARE(line.sim.state().baud, 57600);

    // The program goes away and comes back, as after a restart: the unit is where it was.
    QSignalSpy closed(&line.sim, &SimulatedDetector::portClosed);
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    QVERIFY(line.open(br4800));
    QSignalSpy judged(&line.sim, &SimulatedDetector::requestReceived);
    line.send(request(0, COM_CF_REQPOR));
    QVERIFY(judged.wait(2000));
    QVERIFY(!judged.last().at(0).value<SimRequest>().answered);
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    QVERIFY(line.open(br57600));
    QCOMPARE(line.ask(request(0, COM_CF_REQPOR), 8), QByteArray("!660F75\r"));

    // Switched off with a reply still to come and a request on its way in: both are lost.
    line.sim.state().processingDelayMs = 200;
    QSignalSpy sent(&line.sim, &SimulatedDetector::replySent);
    line.send(request(0, COM_CF_REQSTATE));
    QVERIFY(judged.wait(2000));
    line.send(request(0, COM_CF_REQPOR));
    line.sim.powerCycle();
    QCOMPARE(line.sim.state().baud, 4800);
    QVERIFY(!sent.wait(400));
    QVERIFY(line.got.isEmpty());

    // Back at 4800 with the settings it stored: its address and letter.
    line.sim.state().processingDelayMs = 0;
    line.drv.Disconnect();
    QVERIFY(closed.wait(2000));
    QVERIFY(line.open(br4800));
    QCOMPARE(line.ask(request(5, COM_CF_REQLIT), 8), QByteArray("!68036B\r"));
    QCOMPARE(line.ask(request(0, COM_CF_REQID), 10), QByteArray("!6415057E\r"));
}

void tst_Simulator::powerCycleComesBackAt4800()
{
    SimConfig c;
    c.mode = 2;
    Line line(c);
    ScenarioOptions o;
    o.silentAfterReplies = 2;
    o.backAfterS = 1;
    SimScenario scenario(&line.sim, o);
    QVERIFY(line.open());
    QCOMPARE(line.ask("$00710172\r", 6), QByteArray("!7171\r"));  // alignment mode
    QCOMPARE(line.ask("$00010405\r", 8), QByteArray("!010405\r"));  // to 57600
    QCOMPARE(line.sim.state().baud, 57600);
    QVERIFY(line.sim.isSilent());

    QTRY_VERIFY_WITH_TIMEOUT(!line.sim.isSilent(), 3000);
    QCOMPARE(line.sim.state().baud, 4800);
    QCOMPARE(line.ask("$006767\r", 8), QByteArray("!670269\r"));  // its own mode again
}

void tst_Simulator::alarmFollowsTheField_data()
{
    QTest::addColumn<int>("threshold");  // the unit's threshold position
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("peak");
    QTest::addColumn<bool>("alarm");
    // Position 15 is a field of 128, position 5 one of 77.
    QTest::newRow("well over") << 15 << 0 << 150 << true;
    QTest::newRow("under") << 15 << 0 << 110 << false;
    QTest::newRow("under the default, over a lower threshold") << 5 << 0 << 110 << true;
    QTest::newRow("alignment mode raises none") << 15 << 1 << 150 << false;
}

void tst_Simulator::alarmFollowsTheField()
{
    QFETCH(int, threshold);
    QFETCH(int, mode);
    QFETCH(int, peak);
    QFETCH(bool, alarm);
    SimConfig c;
    c.threshold = quint8(threshold);
    c.mode = quint8(mode);
    SimulatedDetector sim(c);
    ScenarioOptions o;
    o.fieldWalk = true;
    o.crossings = {{peak, 2000, 5000}};
    SimScenario scenario(&sim, o);
    // The walk driven by the test's own clock: the first walker starts at 2 s and takes 2 s.
    int highest = 0;
    qint64 alarmFrom = -1, alarmTo = -1;
    for (qint64 t = 0; t <= 7000; t += 50) {
        scenario.walkAt(t);
        highest = qMax(highest, int(sim.state().field));
        if (sim.state().alarm) {
            if (alarmFrom < 0)
                alarmFrom = t;
            alarmTo = t;
            QVERIFY(sim.state().stateByte & 0x01);  // the relay opens with it
        }
    }
    QVERIFY(qAbs(highest - peak) <= 3);
    QCOMPARE(alarmFrom >= 0, alarm);
    QVERIFY(!sim.state().alarm);
    QCOMPARE(int(sim.state().stateByte & 0x01), 0);
    if (alarm) {
        // Raised while the field is over the threshold, held 2 s after it is back.
        QVERIFY(alarmFrom > 2000 && alarmFrom < 3000);
        QVERIFY(alarmTo >= 5000 && alarmTo < 6100);
    }
}

void tst_Simulator::crossingsOnTheCommandLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");  // 0: refused
    QTest::newRow("two") << "140:3000,90:2500:6000" << 2;
    QTest::newRow("peak too high") << "200:3000" << 0;
    QTest::newRow("too short") << "140:10" << 0;
    QTest::newRow("not numbers") << "a:b" << 0;
    QTest::newRow("one part") << "140" << 0;
    QTest::newRow("four parts") << "140:3000:1:2" << 0;
}

void tst_Simulator::crossingsOnTheCommandLine()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QCOMPARE(int(SimScenario::parseCrossings(text).size()), count);
}

void tst_Simulator::programServesRunScript()
{
    const QString exe = simProgram();
    if (exe.isEmpty())
        QSKIP("dorvik_sim is not built next to the tests");
    QTemporaryDir tmp;
    const QString portsFile = tmp.filePath(QStringLiteral("ports"));
    QProcess sim;
    sim.start(exe, {"--ports-file", portsFile, "--empty", "--receiver", "21", "--baud-pace",
                    "--field-walk", "--alarm-every", "20"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(portsFile), 5000);
    QFile f(portsFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList ports = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(ports.size(), 2);
    QByteArray printed;
    QTRY_VERIFY((printed += sim.readAllStandardOutput()).count('\n') >= 2);
    QCOMPARE(QString::fromLocal8Bit(printed).split('\n', Qt::SkipEmptyParts), ports);

    TSerialPortDriver empty, receiver;
    QByteArray fromEmpty, fromReceiver;
    empty.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t* p, int n) {
        fromEmpty.append(reinterpret_cast<const char*>(p), n);
    };
    receiver.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t* p, int n) {
        fromReceiver.append(reinterpret_cast<const char*>(p), n);
    };
    for (auto [drv, port] : {std::pair{&empty, ports[0]}, std::pair{&receiver, ports[1]}}) {
        drv->SetComPortName(port);
        drv->SetComPortBaudRate(br4800);
        QVERIFY(drv->Connect());
        drv->SendData(reinterpret_cast<const std::uint8_t*>("$006464\r"), 8);
    }
    QTRY_COMPARE(fromReceiver, QByteArray("!64150079\r"));
    QVERIFY(fromEmpty.isEmpty());

    sim.terminate();
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void tst_Simulator::programCyclesPowerOnSigusr1()
{
    const QString exe = simProgram();
    if (exe.isEmpty())
        QSKIP("dorvik_sim is not built next to the tests");
    QProcess sim;
    sim.start(exe, {"--log", "--receiver", "21"});
    QVERIFY(sim.waitForStarted());
    QByteArray printed, logged;
    QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains('\n'), 5000);
    const QString port = QString::fromLocal8Bit(printed).trimmed();

    TSerialPortDriver drv;
    QByteArray got;
    drv.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t* p, int n) {
        got.append(reinterpret_cast<const char*>(p), n);
    };
    auto ask = [&](TComPortBaudRate speed, const QByteArray& req) {
        got.clear();
        drv.SetComPortName(port);
        drv.SetComPortBaudRate(speed);
        if (drv.Connect())
            drv.SendData(reinterpret_cast<const std::uint8_t*>(req.constData()), std::uint32_t(req.size()));
    };
    ask(br4800, request(0, COM_CF_SETBR, 4));
    QTRY_COMPARE(got, QByteArray("!010405\r"));
    drv.Disconnect();

    ::kill(pid_t(sim.processId()), SIGUSR1);
    QTRY_VERIFY_WITH_TIMEOUT((logged += sim.readAllStandardError()).contains("power cycle"), 5000);
    ask(br4800, request(0, COM_CF_REQPOR));
    QTRY_COMPARE(got, QByteArray("!660F75\r"));
    drv.Disconnect();

    sim.terminate();
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitCode(), 0);
}

void tst_Simulator::programRefusesABadCapture_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: no file
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QByteArray() << QStringLiteral("no such file");
    QTest::newRow("not a capture") << QByteArray("hello\n") << QStringLiteral("not an exchange capture");
    QTest::newRow("a bad line") << QByteArray("# dorvik exchange capture 1\n0.000 4800 > 24\n0.010 x < 21\n")
                                << QStringLiteral(":3: bad speed");
    QTest::newRow("no request") << QByteArray("# dorvik exchange capture 1\n") << QStringLiteral("no request");
}

void tst_Simulator::programRefusesABadCapture()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString exe = simProgram();
    if (exe.isEmpty())
        QSKIP("dorvik_sim is not built next to the tests");
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("capture.dcap"));
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QProcess sim;
    sim.start(exe, {QStringLiteral("--replay"), path});
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(sim.readAllStandardOutput().isEmpty());  // no port was opened
}

void tst_Simulator::replayEndsWithItsRecording()
{
    const QString exe = simProgram();
    if (exe.isEmpty())
        QSKIP("dorvik_sim is not built next to the tests");
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("capture.dcap"));
    const QByteArray query = request(0, COM_CF_REQPOR);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(captureHeader(QDateTime::currentDateTime()) + formatCaptureRecord({0, 4800, true, query})
                + formatCaptureRecord({31, 4800, false, "!660F75\r"}));
    }
    QProcess sim;
    sim.start(exe, {QStringLiteral("--replay"), path});
    QVERIFY(sim.waitForStarted());
    QByteArray printed, logged;
    QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains('\n'), 5000);
    const QString port = QString::fromLocal8Bit(printed).trimmed();

    TSerialPortDriver drv;
    QByteArray got;
    drv.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t* p, int n) {
        got.append(reinterpret_cast<const char*>(p), n);
    };
    drv.SetComPortName(port);
    drv.SetComPortBaudRate(br4800);
    QVERIFY(drv.Connect());
    drv.SendData(reinterpret_cast<const std::uint8_t*>(query.constData()), std::uint32_t(query.size()));
    QTRY_COMPARE_WITH_TIMEOUT(got, QByteArray("!660F75\r"), 5000);
    // The last reply given, the simulator says why it falls silent, and the port goes away.
    QTRY_VERIFY_WITH_TIMEOUT((logged += sim.readAllStandardError()).contains("recording ended"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!drv.Connected(), 10000);
    sim.terminate();
    QVERIFY(sim.waitForFinished(3000));
}

void tst_Simulator::programEndsWithWatchedProcess_data()
{
    QTest::addColumn<bool>("reaped");
    QTest::newRow("waited for by its parent") << true;
    // A killed program whose parent has not looked yet: kill() still finds it.
    QTest::newRow("a zombie") << false;
}

void tst_Simulator::programEndsWithWatchedProcess()
{
    QFETCH(bool, reaped);
    const QString exe = simProgram();
    if (exe.isEmpty())
        QSKIP("dorvik_sim is not built next to the tests");
    QTemporaryDir tmp;
    const QString portsFile = tmp.filePath(QStringLiteral("ports"));
    const pid_t watched = ::fork();
    QVERIFY(watched >= 0);
    if (watched == 0) {
        ::pause();
        ::_exit(0);
    }
    QProcess sim;
    sim.start(exe, {"--ports-file", portsFile, "--while-pid", QString::number(watched), "--empty"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(portsFile), 10000);

    QElapsedTimer ending;
    ending.start();
    ::kill(watched, SIGKILL);
    if (reaped)
        QCOMPARE(::waitpid(watched, nullptr, 0), watched);
    const bool ended = sim.waitForFinished(10000);
    if (!reaped)
        ::waitpid(watched, nullptr, 0);
    QVERIFY2(ended, "the simulator outlived the process it watched");
    qInfo("ended %lld ms after the watched process", ending.elapsed());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    // Nobody is left to read the list of ports it wrote.
    QVERIFY(!QFile::exists(portsFile));
}

void tst_Simulator::demoLauncherKilled_data()
{
    QTest::addColumn<bool>("polling");
    QTest::newRow("the program polling") << true;
    QTest::newRow("the launcher waiting for the simulator") << false;
}

// SIGKILL cannot be caught: whatever the launcher was doing, nothing it started may live on and
// nothing it made may stay in its TMPDIR.
void tst_Simulator::demoLauncherKilled()
{
    QFETCH(bool, polling);
    const QString sim = simProgram();
    const QString program = qEnvironmentVariable("DORVIK_TEST_BINARY_DIR") + "/src/dorvik_m_wizard";
    const QString launcher = QFINDTESTDATA("../../packaging/dorvik_m_wizard_demo");
    if (sim.isEmpty() || !QFile::exists(program) || launcher.isEmpty())
        QSKIP("the program, the simulator or the demo launcher is missing");
    QTemporaryDir tmp, work;
    const QString started = work.filePath("sim.started");
    QString demoSim = sim;
    if (!polling) {
        // Holds the simulator back until the launcher has been killed while it waits.
        demoSim = work.filePath("slow_sim");
        QFile wrapper(demoSim);
        QVERIFY(wrapper.open(QIODevice::WriteOnly));
        wrapper.write(QStringLiteral("#!/bin/sh\ntouch '%1'\nwhile [ -e '%1' ]; do sleep 0.05; done\nexec '%2' \"$@\"\n")
                          .arg(started, sim)
                          .toLocal8Bit());
        wrapper.close();
        QVERIFY(wrapper.setPermissions(wrapper.permissions() | QFileDevice::ExeOwner));
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DORVIK_SETTINGS_DIR", work.path());
    env.insert("DORVIK_DEMO_PROGRAM", program);
    env.insert("DORVIK_DEMO_SIM", demoSim);
    env.remove("DORVIK_SERIAL_PORTS");
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setWorkingDirectory(work.path());
    // A group of its own: the group tells what the launcher left behind.
    demo.setChildProcessModifier([] { ::setpgid(0, 0); });
    demo.start(launcher, {});
    QVERIFY(demo.waitForStarted());
    const int group = int(demo.processId());

    if (polling) {
        const QByteArray found = toCp1251(QString::fromUtf8(LOG_SUCCESS));
        const auto foundUnit = [&] {
            QFile log(work.filePath(QString::fromUtf8(CONNECT_LOG_FILE)));
            return log.open(QIODevice::ReadOnly) && log.readAll().contains(found);
        };
        QTRY_VERIFY_WITH_TIMEOUT(foundUnit(), 60000);
        // The launcher has become the program: no shell is left to catch anything.
        QCOMPARE(launcherFiles(tmp.path()), QStringList());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
        QCOMPARE(launcherFiles(tmp.path()).size(), 1);
    }
    QCOMPARE(::kill(group, SIGKILL), 0);
    QVERIFY(demo.waitForFinished(10000));
    QFile::remove(started);  // lets a held-back simulator start, into a dead launcher's hands

    QElapsedTimer gone;
    gone.start();
    QTRY_VERIFY_WITH_TIMEOUT(groupMembers(group).isEmpty(), 15000);
    qInfo("the group was empty %lld ms after the kill", gone.elapsed());
    QCOMPARE(launcherFiles(tmp.path()), QStringList());
    // The killed program could not take back the serial lock files it held. Another user's
    // program (the package test runs the demo as nobody) cannot clear them from the shared
    // lock folder, and would find that pseudo-terminal's number taken for good.
    QDir locks(QStringLiteral("/var/lock"));
    for (const QString& name : locks.entryList({QStringLiteral("LCK..*")}, QDir::Files)) {
        QFile lock(locks.filePath(name));
        if (lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed().toInt() == group) {
            lock.close();
            lock.remove();
        }
    }
}

QTEST_MAIN(tst_Simulator)
#include "tst_simulator.moc"
