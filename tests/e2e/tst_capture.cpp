// The exchange capture end to end: a session of the real program against the simulated unit is
// recorded, then played back by the simulator to a fresh program, which must see what the
// installer saw.
#include "connection/DetectorConnection.h"
#include "CaptureReplay.h"
#include "FullDisk.h"
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "RequestLog.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "protocol/obmen.h"
#include "serial/CaptureFormat.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {

const SessionSample* last() { return fmMain->record->last(); }

bool fieldSeen(int value)
{
    return QTest::qWaitFor([&] { return last() && last()->fieldKnown() && last()->field == value; }, 10000);
}
}  // namespace

class tst_Capture : public QObject {
    Q_OBJECT
private slots:
    void recordedSessionPlaysBack();
    void captureThatCannotBeWritten();
    void fullDiskStopsTheCapture();
    void toggleInTheTrendWindow();
};

void tst_Capture::recordedSessionPlaysBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.dcap"));
    QString unit, letter, threshold;
    QByteArray speedCommand, thresholdCommand;
    {
        SimConfig config;
        config.model = 22;
        config.letterIndex = 2;
        config.threshold = 5;
        config.field = 20;
        ProgramWithUnit rig(config);
        QVERIFY(rig.start());
        QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed(), 15000);
        // Started once the panel is up, as from the trend window: the search is in it all the same.
        QString error;
        QVERIFY2(fmMain->connection->link->startCapture(path, &error), qPrintable(error));
        QVERIFY(fieldSeen(20));
        unit = fmMain->stIzv->text();
        letter = fmMain->stLiter->text();
        threshold = fmMain->stPorogMarker->text();
        rig.sim.state().field = 100;
        QVERIFY(fieldSeen(100));
        // The installer lowers the threshold: a setting in the middle of polling.
        fmMain->bbMinus->click();
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().threshold), 4, 5000);
        QVERIFY(fmMain->stPorogMarker->text() != threshold);
        const std::size_t mark = fmMain->record->size();
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > mark + 50, 10000);
        fmMain->connection->link->stopCapture();
        const QList<SimRequest> heard = rig.sim.requests();
        speedCommand = heard.value(indexOfCode(heard, 1)).raw;
        thresholdCommand = heard.value(indexOfCode(heard, 112)).raw;
    }

    QList<CaptureRecord> records;
    QString error;
    QVERIFY2(readCapture(path, &records, &error), qPrintable(error));
    QVERIFY(records.size() > 60);
    QVERIFY(records.first().request);
    QCOMPARE(records.first().baud, 4800);  // the search, from its first request
    QCOMPARE(records.last().baud, 57600);
    for (int i = 1; i < records.size(); ++i)
        QVERIFY(records[i - 1].ms <= records[i].ms);
    const auto requestAt = [&](const QByteArray& bytes) {
        for (int i = 0; i < records.size(); ++i)
            if (records[i].request && records[i].bytes == bytes)
                return i;
        return -1;
    };
    // The speed command's acknowledgement, which the program drops while it switches, is there.
    const int speed = requestAt(speedCommand);
    QVERIFY(speed >= 0 && speed + 1 < records.size());
    QVERIFY(!records[speed + 1].request);
    QCOMPARE(records[speed + 1].baud, 4800);
    QVERIFY(records[speed + 1].bytes.startsWith('!'));
    QVERIFY(requestAt(thresholdCommand) > speed);

    CaptureReplay* loaded = nullptr;
    QVERIFY2(CaptureReplay::load(path, &loaded, &error), qPrintable(error));
    std::shared_ptr<CaptureReplay> replay(loaded);
    SimulatedDetector player;
    player.setReplay(replay);
    QVERIFY(player.open());
    ProgramFixture program({player.slavePath()});
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(polling(), 15000);
    QCOMPARE(fmMain->stIzv->text(), unit);
    QCOMPARE(fmMain->stLiter->text(), letter);
    // The threshold the unit reported; the change this program does not make is passed over.
    QCOMPARE(fmMain->stPorogMarker->text(), threshold);
    QCOMPARE(fmMain->stBaud->text(), QStringLiteral("57600"));
    QVERIFY(fieldSeen(20));
    QVERIFY(fieldSeen(100));
    // Every request the unit answered was one the capture held, at the speed it was recorded.
    for (const SimRequest& r : player.requests())
        QVERIFY(!r.answered || r.baud == 4800 || r.baud == 57600);
    // At its end the capture falls silent, and the program says the link is lost.
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 20000);
    QVERIFY(replay->position() > replay->size() / 2);
}

void tst_Capture::captureThatCannotBeWritten()
{
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(15000));
    QTemporaryDir dir;
    QString error;
    QVERIFY(!fmMain->connection->link->startCapture(dir.path(), &error));  // a folder
    QVERIFY(error.contains(dir.path()));
    QVERIFY(!fmMain->connection->link->startCapture(QStringLiteral("/dev/null"), &error));  // a device
    QVERIFY(!fmMain->connection->link->capturing());
    // Polling goes on as before.
    const std::size_t mark = fmMain->record->size();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > mark + 10, 5000);
}

void tst_Capture::fullDiskStopsTheCapture()
{
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(15000));
    const QString path = rig.program.file(QStringLiteral("full.dcap"));
    QString error;
    QVERIFY2(fmMain->connection->link->startCapture(path, &error), qPrintable(error));
    QSignalSpy failed(fmMain->connection->link, &DetectorLink::captureFailed);
    {
        const FullDisk full(rlim_t(QFileInfo(path).size()) + 200);
        QVERIFY(failed.wait(10000));
    }
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().first().toString().contains(path));
    QVERIFY(failed.first().first().toString().contains(QString::fromUtf8(WRITE_TOO_LARGE)));
    QVERIFY(!fmMain->connection->link->capturing());
    // Polling goes on, and the capture keeps what reached the disk.
    const std::size_t mark = fmMain->record->size();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > mark + 10, 5000);
    QCOMPARE(failed.size(), 1);
    QList<CaptureRecord> records;
    QVERIFY2(readCapture(path, &records, &error), qPrintable(error));
}

void tst_Capture::toggleInTheTrendWindow()
{
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(15000));
    fmMain->bbTrend->click();
    QPushButton* toggle = fmMain->fmTrend->sbCapture;
    const QString path = rig.program.file(QStringLiteral("from the window.dcap"));
    const auto answerFileDialog = [&](bool choose) {
        QTimer::singleShot(0, fmMain, [&, choose] {
            if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                if (choose)
                    files->selectFile(path);
                QMetaObject::invokeMethod(files, choose ? "accept" : "reject");
            }
        });
    };

    // No file chosen: nothing is captured.
    answerFileDialog(false);
    toggle->click();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!fmMain->connection->link->capturing());

    answerFileDialog(true);
    toggle->click();
    QVERIFY(toggle->isChecked());
    QVERIFY(fmMain->connection->link->capturing());
    const std::size_t mark = fmMain->record->size();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > mark + 20, 5000);
    toggle->click();
    QVERIFY(!fmMain->connection->link->capturing());
    QList<CaptureRecord> records;
    QString error;
    QVERIFY2(readCapture(path, &records, &error), qPrintable(error));
    int requests = 0;
    for (const CaptureRecord& r : records)
        requests += r.request;
    QVERIFY(requests > 20);
}

QTEST_MAIN(tst_Capture)
#include "tst_capture.moc"
