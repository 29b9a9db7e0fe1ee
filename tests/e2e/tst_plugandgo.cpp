// Plug and go: a unit plugged in while the start page shows is found without a click, and a
// unit unplugged is awaited on its port instead of being counted down to a search.
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/DetectorConnection.h"
#include "connection/texts.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Generous: only a broken program reaches it; the waits end as soon as their condition holds.
constexpr int PATIENCE_MS = 60000;

// A port name that stays while the device behind it comes and goes, as a by-id link does.
struct StablePort {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("usb-adapter")); }
    bool pointTo(const QString& device)
    {
        QFile::remove(path());
        return QFile::link(device, path());
    }
    void unplug() { QFile::remove(path()); }
};

}  // namespace

class tst_PlugAndGo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void unitPluggedInWhileTheStartPageShows_data();
    void unitPluggedInWhileTheStartPageShows();
    void unpluggedUnitAwaitedOnItsPort();
    void countdownGivesWayToAPortPluggedIn();

private:
    QTemporaryDir FSettings;
};

void tst_PlugAndGo::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_PlugAndGo::unitPluggedInWhileTheStartPageShows_data()
{
    QTest::addColumn<bool>("transmitter");
    QTest::addColumn<bool>("otherPort");  // an empty port listed all along
    QTest::newRow("receiver, no port before") << false << false;
    QTest::newRow("transmitter, no port before") << true << false;
    QTest::newRow("receiver, after a search found nothing") << false << true;
}

void tst_PlugAndGo::unitPluggedInWhileTheStartPageShows()
{
    QFETCH(bool, transmitter);
    QFETCH(bool, otherPort);
    SimulatedDetector empty{SimConfig{SimConfig::Empty}};
    QVERIFY(empty.open());
    StablePort port;
    ProgramFixture program(otherPort ? QStringList{empty.slavePath(), port.path()} : QStringList{});
    QSignalSpy failed(fmMain->connection, &DetectorConnection::searchFailed);
    program.start();
    QVERIFY(failed.wait(PATIENCE_MS));
    QCOMPARE(fmMain->stMessage->text(), text(otherPort ? MSG_NOT_FOUND : MSG_NO_PORTS));
    const int emptyRequests = int(empty.requests().size());

    SimConfig config;
    config.kind = transmitter ? SimConfig::Transmitter : SimConfig::Receiver;
    SimulatedDetector unit(config);
    QVERIFY(unit.open());
    QVERIFY(port.pointTo(unit.slavePath()));
    if (!otherPort)  // the system lists its first port
        qputenv("DORVIK_SERIAL_PORTS", port.path().toLocal8Bit());
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);
    QCOMPARE(fmMain->connection->portName(), port.path());
    // The port plugged in is tried first; the empty one is not waited for again.
    QCOMPARE(logLines().value(2), text(LOG_ATTEMPT) + port.path());
    QCOMPARE(int(empty.requests().size()), emptyRequests);
}

void tst_PlugAndGo::unpluggedUnitAwaitedOnItsPort()
{
    StablePort port;
    auto unit = std::make_unique<SimulatedDetector>();
    QVERIFY(unit->open() && port.pointTo(unit->slavePath()));
    ProgramFixture program({port.path()});
    QSignalSpy lost(fmMain->connection, &DetectorConnection::linkLost),
        started(fmMain->connection, &DetectorConnection::searchStarted);
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);

    unit->vanish();
    port.unplug();
    QVERIFY(lost.wait(PATIENCE_MS));
    QCOMPARE(fmMain->stMessage->text(), text(MSG_LINK_LOST));
    QCOMPARE(fmMain->stText->text(), text(C_PORT_GONE).arg(port.path()));
    QVERIFY(!fmMain->leRepair->isEnabled());
    QVERIFY(fmMain->bbFind->isEnabled());
    QVERIFY(!fmMain->connection->tiRepair->isActive());
    QCOMPARE(program.readFile(text(REPORT_FILE)).count("\r\n"), 1);
    // Nothing is counted down and nothing searched while the port is away.
    const int searches = int(started.size());
    QTest::qWait(1500);
    QCOMPARE(int(started.size()), searches);
    QCOMPARE(fmMain->stMessage->text(), text(MSG_LINK_LOST));

    // Plugged in again (power from the cable: back at 4800 bit/s).
    unit = std::make_unique<SimulatedDetector>();
    QVERIFY(unit->open() && port.pointTo(unit->slavePath()));
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);
    QCOMPARE(int(lost.size()), 1);
}

void tst_PlugAndGo::countdownGivesWayToAPortPluggedIn()
{
    SimulatedDetector first;
    QVERIFY(first.open());
    StablePort port;
    ProgramFixture program({first.slavePath(), port.path()});
    QSignalSpy lost(fmMain->connection, &DetectorConnection::linkLost);
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);

    // The unit falls silent on a port that stays: the countdown runs, as before.
    first.setSilent(true);
    QVERIFY(lost.wait(PATIENCE_MS));
    QVERIFY(fmMain->connection->tiRepair->isActive());
    QCOMPARE(fmMain->stText->text(), text(C2));

    // Another unit is plugged in: searched at once, the countdown is over.
    SimulatedDetector second;
    QVERIFY(second.open() && port.pointTo(second.slavePath()));
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);
    QCOMPARE(fmMain->connection->portName(), port.path());
    QVERIFY(!fmMain->connection->tiRepair->isActive());
    QVERIFY(fmMain->connection->CountTiRepair() > 0);
}

QTEST_MAIN(tst_PlugAndGo)
#include "tst_plugandgo.moc"
