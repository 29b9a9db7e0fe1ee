#include "CpuTime.h"
#include "PseudoTerminal.h"
#include "serial/LowLatency.h"
#include "serial/SerialDrv.h"

#include <QSignalSpy>
#include <QtTest>

class tst_SerialDriver : public QObject {
    Q_OBJECT
private slots:
    void connectRules();
    void secondOpenIsRefused();
    void speedChangeReachesTheLine();
    void chunksArriveInOrder();
    void vanishedDeviceLeavesDriverIdle();
    void vanishedDeviceMidOperation_data();
    void vanishedDeviceMidOperation();
};

void tst_SerialDriver::connectRules()
{
    PseudoTerminal pty;
    QVERIFY(pty.isOpen());
    TSerialPortDriver drv;
    drv.Disconnect();  // on a closed port: nothing
    QVERIFY(!drv.Connected());
    drv.SetComPortName(pty.slavePath());
    const int lowLatencyBefore = lowLatencyRequestCount();
    QVERIFY(drv.Connect());
    QCOMPARE(lowLatencyRequestCount(), lowLatencyBefore + 1);
    QVERIFY(drv.Connect());  // already open: true, nothing reopened
    QCOMPARE(lowLatencyRequestCount(), lowLatencyBefore + 1);

    drv.SetComPort(4);  // ignored while connected
    drv.SetComPortName(QStringLiteral("/dev/null"));
    QCOMPARE(drv.ComPort(), TComPortNumber(0));
    QCOMPARE(drv.deviceName(), pty.slavePath());

    drv.Disconnect();
    QVERIFY(!drv.Connected());
    drv.SetComPort(4);
    QCOMPARE(drv.deviceName(), QStringLiteral("COM5"));

    TSerialPortDriver missing;
    missing.SetComPortName(QStringLiteral("/dev/does-not-exist"));
    QVERIFY(!missing.Connect());
    QVERIFY(!missing.Connected());
    QVERIFY(!missing.lastOpenError().isEmpty());
    const quint8 bytes[] = {1, 2};
    QVERIFY(!missing.SendData(bytes, 2));
}

void tst_SerialDriver::secondOpenIsRefused()
{
    PseudoTerminal pty;
    TSerialPortDriver first, second;
    first.SetComPortName(pty.slavePath());
    second.SetComPortName(pty.slavePath());
    QVERIFY(first.Connect());
    QVERIFY(!second.Connect());
    first.Disconnect();
    QVERIFY(second.Connect());
}

void tst_SerialDriver::speedChangeReachesTheLine()
{
    PseudoTerminal pty;
    TSerialPortDriver drv;
    drv.SetComPortName(pty.slavePath());
    drv.SetComPortBaudRate(br4800);
    QVERIFY(drv.Connect());
    QCOMPARE(pty.programBaud(), 4800);
    drv.SetComPortBaudRate(br57600);  // an open port changes speed at once
    QCOMPARE(pty.programBaud(), 57600);
    drv.Disconnect();
    drv.SetComPortBaudRate(br115200);  // a closed one at the next Connect
    QVERIFY(drv.Connect());
    QCOMPARE(pty.programBaud(), 115200);

    const quint8 frame[] = {0x24, 0x30, 0x30, 0x30, 0x34, 0x30, 0x34, 0x0D};
    QVERIFY(drv.SendData(frame, sizeof frame));
    QCOMPARE(pty.read(2000, 8), QByteArray(reinterpret_cast<const char*>(frame), 8));
}

void tst_SerialDriver::chunksArriveInOrder()
{
    PseudoTerminal pty;
    TSerialPortDriver drv;
    drv.SetComPortName(pty.slavePath());
    QByteArray received;
    QList<int> sizes;
    drv.OnReceiveData = [&](TSerialPortDriver* sender, const std::uint8_t* data, int size) {
        QCOMPARE(sender, &drv);
        sizes << size;
        received.append(reinterpret_cast<const char*>(data), size);
    };
    QVERIFY(drv.Connect());
    pty.write("!");
    QTRY_COMPARE(received, QByteArray("!"));
    QCOMPARE(sizes, QList<int>{1});

    QByteArray big;
    for (int i = 0; i < 5000; ++i)
        big.append(char('0' + i % 10));
    pty.write(big);
    QTRY_COMPARE(received.size(), 5001);
    QCOMPARE(received.mid(1), big);
    for (int s : sizes) {
        QVERIFY(s >= 1);
        QVERIFY(s <= drv.ComPortInBufSize());
    }
}

void tst_SerialDriver::vanishedDeviceLeavesDriverIdle()
{
    auto pty = std::make_unique<PseudoTerminal>();
    TSerialPortDriver drv;
    drv.SetComPortName(pty->slavePath());
    int chunks = 0;
    drv.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t*, int) { ++chunks; };
    QVERIFY(drv.Connect());
    pty.reset();  // the other side closes, like a pulled cable
    QTRY_VERIFY(!drv.Connected());

    // With the port closed the event loop must go back to sleeping, not spinning on errors.
    const double before = cpuMs();
    QTest::qWait(1000);
    const double used = cpuMs() - before;
    QVERIFY2(used < 300, qPrintable(QStringLiteral("%1 ms of CPU in 1 s idle").arg(used)));
    QCOMPARE(chunks, 0);
}

void tst_SerialDriver::vanishedDeviceMidOperation_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("send") << QStringLiteral("send");
    QTest::newRow("send, then close") << QStringLiteral("close");
    QTest::newRow("send, then change speed") << QStringLiteral("speed");
    QTest::newRow("send twice") << QStringLiteral("send twice");
}

// The cable pulled before the driver has noticed: whatever it does next fails on the device,
// and the failure closes the port once, without calling back into the close that reports it.
void tst_SerialDriver::vanishedDeviceMidOperation()
{
    QFETCH(QString, operation);
    auto pty = std::make_unique<PseudoTerminal>();
    TSerialPortDriver drv;
    drv.SetComPortName(pty->slavePath());
    drv.SetComPortBaudRate(br4800);
    QVERIFY(drv.Connect());
    pty.reset();  // no event loop in between: the driver has not seen it go
    const quint8 request[] = {'$', '0', '0', '0', '6', '5', '1', '0', '\r'};
    QVERIFY(!drv.SendData(request, sizeof request));
    if (operation == QLatin1String("close"))
        drv.Disconnect();
    else if (operation == QLatin1String("speed"))
        drv.SetComPortBaudRate(br57600);
    else if (operation == QLatin1String("send twice"))
        QVERIFY(!drv.SendData(request, sizeof request));
    QTRY_VERIFY(!drv.Connected());
    drv.Disconnect();
}

QTEST_GUILESS_MAIN(tst_SerialDriver)
#include "tst_serialdriver.moc"
