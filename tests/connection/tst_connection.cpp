// The connection on its own, with no window built: the search over ports and speeds, the watch
// over replies and the countdown after a loss, against simulated units on pseudo-terminals.
#include "SimulatedDetector.h"
#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "protocol/obmen.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Generous: the outcome never depends on how busy the machine is, only the wait does.
constexpr int PATIENCE_MS = 60000;

bool waitFor(QSignalSpy& spy, int count = 1)
{
    QElapsedTimer clock;
    clock.start();
    while (spy.size() < count && clock.elapsed() < PATIENCE_MS)
        spy.wait(1000);
    return spy.size() >= count;
}

// What the log says of a port where nothing answers at any speed.
QStringList emptyPortLines(const QString& port)
{
    QStringList lines{text(LOG_ATTEMPT) + port, text(LOG_FAILURE)};
    for (const char* speed : {"57600", "9600", "19200", "38400", "115200"})
        lines << text(LOG_ATTEMPT_SPEED) + speed << text(LOG_FAILURE);
    return lines;
}

bool polling(const DetectorConnection& c)
{
    return c.FlagReply() && c.link->dispatcher.VidObmen() == permanent;
}

}  // namespace

class tst_Connection : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void findsAUnitLeftFastBehindAnEmptyPort();
    void lostUnitCountedDownAndFoundAgain();

private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString FOldCwd;
};

void tst_Connection::init()
{
    // The connection log is written where the program runs.
    FDir = std::make_unique<QTemporaryDir>();
    FOldCwd = QDir::currentPath();
    QDir::setCurrent(FDir->path());
}

void tst_Connection::cleanup()
{
    QDir::setCurrent(FOldCwd);
    qunsetenv("DORVIK_SERIAL_PORTS");
}

void tst_Connection::findsAUnitLeftFastBehindAnEmptyPort()
{
    SimulatedDetector empty{SimConfig{SimConfig::Empty}};
    SimConfig config;
    config.baud = 57600;  // left there by an earlier run, its power never cut
    SimulatedDetector unit(config);
    QVERIFY(empty.open() && unit.open());
    qputenv("DORVIK_SERIAL_PORTS", (empty.slavePath() + ':' + unit.slavePath()).toLocal8Bit());

    DetectorConnection c;
    QStringList log, ports;
    connect(&c, &DetectorConnection::logLineAdded, this, [&](const QString& line) { log << line; });
    connect(&c, &DetectorConnection::portChanged, this, [&](const QString& port) { ports << port; });
    QSignalSpy started(&c, &DetectorConnection::searchStarted), found(&c, &DetectorConnection::linkEstablished),
        failed(&c, &DetectorConnection::searchFailed);
    c.start();
    QCOMPARE(started.size(), 1);
    QVERIFY(waitFor(found));
    QVERIFY(failed.isEmpty());

    QCOMPARE(ports, (QStringList{empty.slavePath(), unit.slavePath()}));
    QCOMPARE(c.portName(), unit.slavePath());
    const QStringList expected = QStringList{text(LOG_ADDRESS) + "0", text(LOG_SPEED_4800)} +
                                 emptyPortLines(empty.slavePath()) +
                                 QStringList{text(LOG_ATTEMPT) + unit.slavePath(), text(LOG_FAILURE),
                                             text(LOG_ATTEMPT_SPEED) + "57600", text(LOG_SUCCESS),
                                             text(LOG_SPEED_SWITCH) + "57600"};
    QCOMPARE(log, expected);
    QCOMPARE(c.log(), expected);
    QCOMPARE(c.unitNumber(), 1);
    // What the unit said of itself is kept with nobody to show it.
    QCOMPARE(int(c.Detector.FAddr), 0);
    QVERIFY(c.Detector.FVersPr != (std::array<std::uint8_t, 2>{0, 0}));
    QTRY_VERIFY_WITH_TIMEOUT(polling(c) && c.lineSpeed() == br57600, PATIENCE_MS);
    QVERIFY(empty.requests().size() >= 6);
}

void tst_Connection::lostUnitCountedDownAndFoundAgain()
{
    SimulatedDetector unit;
    QVERIFY(unit.open());
    qputenv("DORVIK_SERIAL_PORTS", unit.slavePath().toLocal8Bit());
    DetectorConnection c;
    QSignalSpy found(&c, &DetectorConnection::linkEstablished), lost(&c, &DetectorConnection::linkLost),
        started(&c, &DetectorConnection::searchStarted);
    QList<int> countdown;
    QList<bool> answering;
    connect(&c, &DetectorConnection::countdownChanged, this, [&](int s) { countdown << s; });
    connect(&c, &DetectorConnection::replyChanged, this, [&](bool a) { answering << a; });
    c.start();
    QVERIFY(waitFor(found));
    QTRY_VERIFY_WITH_TIMEOUT(polling(c), PATIENCE_MS);
    QTRY_VERIFY_WITH_TIMEOUT(c.fieldReported() || c.signalReported(), PATIENCE_MS);

    unit.setSilent(true);
    QVERIFY(waitFor(lost));
    QVERIFY(!c.FlagReply());
    QVERIFY(!c.fieldReported() && !c.signalReported());
    QCOMPARE(answering, (QList<bool>{false, true, false}));
    QCOMPARE(countdown, QList<int>{12});
    QCOMPARE(started.size(), 1);

    // Back as after a power cut, while the countdown runs: the search after it finds the unit.
    unit.state().baud = 4800;
    unit.setSilent(false);
    QVERIFY(waitFor(found, 2));
    QCOMPARE(countdown, (QList<int>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    QCOMPARE(started.size(), 2);
    QCOMPARE(lost.size(), 1);
    QCOMPARE(c.unitNumber(), 2);
    QCOMPARE(c.log().value(2), text(LOG_ATTEMPT) + unit.slavePath());
}

QTEST_GUILESS_MAIN(tst_Connection)
#include "tst_connection.moc"
