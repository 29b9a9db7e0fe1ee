// A long run against a unit that misbehaves in every way a fence line offers: it falls silent
// and comes back with or without a power cycle, sends noise, spoils and splits its replies, is
// unplugged and plugged in again under the same or a new name, gets a new address, and the
// program itself is restarted while the unit sits at the working speed. The program must ride
// all of it out, however busy the machine is.
#include "CpuTime.h"
#include "LiveHeap.h"
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/texts.h"
#include "dialogs/addr.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {
long residentKb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}
int soakSeconds()
{
    return qEnvironmentVariableIsSet("DORVIK_SOAK_SECONDS") ? qEnvironmentVariableIntValue("DORVIK_SOAK_SECONDS")
                                                           : 120;
}
// A unit plugged in again keeps the speed and address it had: its power is its own.
std::unique_ptr<SimulatedDetector> newUnit(qint32 baud = 4800, quint8 address = 0)
{
    SimConfig config;
    config.paceAtLineRate = true;
    config.baud = baud;
    config.address = address;
    auto unit = std::make_unique<SimulatedDetector>(config);
    if (!unit->open())
        return nullptr;
    return unit;
}
}  // namespace

class tst_Soak : public QObject {
    Q_OBJECT
private slots:
    void ridesOutAFaultyLine();
};

void tst_Soak::ridesOutAFaultyLine()
{
    const int seconds = soakSeconds();
    // Seeds are printed unsigned and run past INT_MAX.
    const quint32 seed = qEnvironmentVariableIsSet("DORVIK_SOAK_SEED")
                             ? qgetenv("DORVIK_SOAK_SEED").toUInt()
                             : QRandomGenerator::global()->generate();
    qInfo("soak: %d s, seed %u", seconds, seed);
    QRandomGenerator random(seed);

    std::unique_ptr<SimulatedDetector> unit = newUnit();
    QVERIFY(unit);
    std::unique_ptr<SimulatedDetector> unplugged;
    // The port the program is given is a stable name, as /dev/serial/by-id gives; a cable
    // pulled and plugged in again comes back under it.
    QTemporaryDir names;
    const QString stableName = names.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(QFile::link(unit->slavePath(), stableName));
    QString port = stableName;  // what the program is told to use
    auto program = std::make_unique<ProgramFixture>(QStringList{port});

    // Error boxes are dismissed after a moment, as a person would; never two at once.
    int mostBoxes = 0, boxesSeen = 0;
    QTimer boxes;
    connect(&boxes, &QTimer::timeout, [&] {
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                ++open;
                ++boxesSeen;
                box->accept();
            }
        mostBoxes = qMax(mostBoxes, open);
    });
    boxes.start(300);

    int losses = 0, lossesSinceStart = 0, recoveries = 0, faults = 0, restarts = 0;
    bool wasConnected = false;
    double idleCpuWorst = 0;
    long heapAtWarm = 0, rssAtWarm = 0;
    QElapsedTimer clock, connectedFor;
    clock.start();
    program->start();

    while (clock.elapsed() < seconds * 1000) {
        QTest::qWait(50);
        unit->clearRequests();
        const bool connected = fmMain->FlagReply();
        if (wasConnected && !connected) {
            ++losses;
            ++lossesSinceStart;
        }
        if (!wasConnected && connected) {
            ++recoveries;
            connectedFor.start();
        }
        wasConnected = connected;
        if (heapAtWarm == 0 && clock.elapsed() > 30000) {
            heapAtWarm = liveHeapKb();
            rssAtWarm = residentKb();
        }

        // While the link is down the program only counts down: it must sleep, not spin.
        if (!connected && fmMain->CountTiRepair() > 2 && fmMain->CountTiRepair() < 11) {
            const double before = cpuMs();
            QTest::qWait(1000);
            idleCpuWorst = qMax(idleCpuWorst, (cpuMs() - before) / 10.0);  // percent of a core
            continue;
        }
        if (!connected || connectedFor.elapsed() < 3000)
            continue;

        ++faults;
        switch (random.bounded(10)) {
        case 0:  // slow replies for a while: late, perhaps too late on a busy machine
            unit->state().processingDelayMs = 300 + int(random.bounded(1200));
            QTest::qWait(3000);
            unit->state().processingDelayMs = 0;
            break;
        case 1:  // loss of power: silence, then back at 4800 bit/s
            unit->setSilent(true);
            QTest::qWait(3000);
            unit->powerCycle();
            unit->setSilent(false);
            break;
        case 2:  // a loose connector: silence, then back at the speed it had
            unit->setSilent(true);
            QTest::qWait(3000 + int(random.bounded(12000)));
            unit->setSilent(false);
            break;
        case 3: {  // noise on the line
            QByteArray noise;
            for (int i = 0, n = 1 + int(random.bounded(8)); i < n; ++i)
                noise.append(char(random.bounded(256)));
            unit->injectNoise(noise);
            break;
        }
        case 4:  // a spoilt reply
            unit->corruptNext(1 + int(random.bounded(6)));
            break;
        case 5:  // replies in pieces for a while
            unit->setChunking(1 + int(random.bounded(4)), int(random.bounded(4)));
            QTest::qWait(2000);
            unit->setChunking(0, 0);
            break;
        case 6: {  // a new address, set through the dialog while the program talks to 0
            const int address = 1 + int(random.bounded(255));
            QTimer::singleShot(0, fmAddr, [address] {
                fmAddr->edAddr->setText(QString::number(address));
                fmAddr->bbSet->click();
            });
            fmMain->bbAddrClick();
            break;
        }
        case 7: {  // the program is closed and started again; the unit stays where it was
            program.reset();
            QTest::qWait(int(random.bounded(2000)));
            program = std::make_unique<ProgramFixture>(QStringList{port});
            program->start();
            ++restarts;
            wasConnected = false;
            lossesSinceStart = 0;
            break;
        }
        case 8: {  // the cable pulled and plugged in again: the same name, the unit unchanged
            const qint32 baud = unit->state().baud;
            const quint8 address = unit->state().address;
            unit->vanish();
            unplugged = std::move(unit);
            QFile::remove(stableName);
            QTest::qWait(1000 + int(random.bounded(3000)));
            unit = newUnit(baud, address);
            QVERIFY(unit);
            QVERIFY(QFile::link(unit->slavePath(), stableName));
            port = stableName;
            qputenv("DORVIK_SERIAL_PORTS", port.toLocal8Bit());
            break;
        }
        default: {  // unplugged, and plugged in again under another name
            const qint32 baud = unit->state().baud;
            const quint8 address = unit->state().address;
            unit->vanish();
            unplugged = std::move(unit);
            QFile::remove(stableName);
            QTest::qWait(2500);
            unit = newUnit(baud, address);
            QVERIFY(unit);
            port = unit->slavePath();
            qputenv("DORVIK_SERIAL_PORTS", port.toLocal8Bit());
            break;
        }
        }
        connectedFor.start();
    }

    // Faults stop; whatever is in progress must end with the unit found again.
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->FlagReply(), 40000);
    if (!wasConnected)
        ++recoveries;
    const long heapAtEnd = liveHeapKb();
    const long rssAtEnd = residentKb();

    qInfo("soak: %d faults, %d losses, %d restarts, %d recoveries, %d error boxes, idle CPU worst %.1f %%, live heap %ld -> %ld kB, resident %ld -> %ld kB",
          faults, losses, restarts, recoveries, boxesSeen, idleCpuWorst, heapAtWarm, heapAtEnd,
          rssAtWarm, rssAtEnd);
    QVERIFY(mostBoxes <= 1);
    // The first connection, then one per loss and one per restart.
    QCOMPARE(recoveries, losses + restarts + 1);
    // The report is emptied at each start; it holds the losses since the last one.
    const QByteArray report = program->readFile(QString::fromUtf8(REPORT_FILE));
    QCOMPARE(int(report.count("\r\n")), lossesSinceStart);
    QVERIFY2(idleCpuWorst < 20, qPrintable(QString::number(idleCpuWorst)));
    if (heapAtWarm > 0)
        QVERIFY2(heapAtEnd - heapAtWarm < 1024, qPrintable(QString::number(heapAtEnd - heapAtWarm)));
}

int main(int argc, char** argv)
{
    // A long run outlasts the test library's five-minute watchdog; give it the run plus room
    // for the final recovery.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(soakSeconds()) + 300) * 1000));
    QApplication app(argc, argv);
    tst_Soak test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
