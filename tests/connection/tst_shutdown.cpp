// Closing the program at its worst moments: nothing of the exchange or the search runs on after
// the window has gone, nothing is used after it was freed (the tests run under AddressSanitizer),
// and the settings are written.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "SimulatedDetector.h"
#include "panel/startup.h"
#include "connection/texts.h"
#include "dialogs/liter.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QtTest>

#include <functional>

namespace {
enum Moment { SearchPause, BetweenPorts, SpeedSwitch, Countdown, SettingDialog, ErrorBox };
}
Q_DECLARE_METATYPE(Moment)

class tst_Shutdown : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void closeAt_data();
    void closeAt();

private:
    QTemporaryDir FSettings;
};

void tst_Shutdown::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Shutdown::closeAt_data()
{
    QTest::addColumn<Moment>("moment");
    QTest::newRow("the search's first pause") << SearchPause;
    QTest::newRow("between two ports") << BetweenPorts;
    QTest::newRow("the speed switch") << SpeedSwitch;
    QTest::newRow("the recovery countdown") << Countdown;
    QTest::newRow("a settings dialog open") << SettingDialog;
    QTest::newRow("the receive-error box open") << ErrorBox;
}

void tst_Shutdown::closeAt()
{
    QFETCH(Moment, moment);
    const QString settings = QDir(FSettings.path()).filePath(QString::fromUtf8(SETTINGS_FILE));
    QFile::remove(settings);
    EmptyPortThenUnit line;
    QVERIFY(line.open());
    SimulatedDetector& empty = line.empty;
    SimulatedDetector& unit = line.unit;
    ProgramFixture program(line.ports());

    bool closed = false;
    auto closeNow = [&] {
        if (!closed) {
            closed = true;
            closeProgram();
        }
    };
    switch (moment) {
    case SearchPause:
        QTimer::singleShot(100, fmMain, closeNow);
        program.start();
        break;
    case BetweenPorts:
        // Just as the search turns to the second port, in the pause before it opens.
        connect(fmMain->lbStepInit->model(), &QAbstractItemModel::rowsInserted, fmMain, [&] {
            const QListWidget* log = fmMain->lbStepInit;
            if (log->item(log->count() - 1)->text() == QString::fromUtf8(LOG_ATTEMPT) + unit.slavePath())
                QTimer::singleShot(0, fmMain, closeNow);
        });
        program.start();
        break;
    case SpeedSwitch:
        connect(&unit, &SimulatedDetector::requestReceived, &unit, [&](const SimRequest& q) {
            if (q.code == 1)
                QTimer::singleShot(100, fmMain, closeNow);
        });
        program.start();
        break;
    case Countdown:
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 20000);
        unit.setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply() && fmMain->connection->CountTiRepair() < 12, 10000);
        closeNow();
        break;
    case SettingDialog:
        program.start();
        // Past the speed switch, where a click on a settings button is not taken.
        QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed(), 20000);
        QTimer::singleShot(200, fmLiter, closeNow);
        fmMain->bbLiterClick();
        break;
    case ErrorBox: {
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 20000);
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                closeNow();
        });
        watcher.start(20);
        connect(&unit, &SimulatedDetector::requestReceived, &unit,
                [&](const SimRequest&) { unit.corruptNext(SimulatedDetector::BadChecksum); });
        QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
        break;
    }
    }
    QTRY_VERIFY_WITH_TIMEOUT(closed && !fmMain->isVisible(), 20000);
    QVERIFY(!QApplication::activeModalWidget());
    // A request written just before the close is still judged by the unit, once its bytes
    // have had their time on the wire (1.4 ms at 57600 bit/s): counted before the watch.
    QTest::qWait(200);
    const int requests = empty.requests().size() + unit.requests().size();
    // Longer than any pause of the search or the switch: whatever was pending is gone.
    QTest::qWait(1500);
    QCOMPARE(empty.requests().size() + unit.requests().size(), requests);
    QVERIFY(!fmMain->connection->COMP->Connected());
    QVERIFY(QFile::exists(settings));
}

QTEST_MAIN(tst_Shutdown)
#include "tst_shutdown.moc"
