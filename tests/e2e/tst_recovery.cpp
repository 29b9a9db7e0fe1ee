// Getting a unit back after what happens in the field: a program restarted while the unit sat
// at the working speed, a pause without a power cycle, faulty replies, an address change,
// a dialog open when the link goes. The real program against the simulated unit.
#include "connection/DetectorConnection.h"
#include "MessageBoxCatcher.h"
#include "ProgramWithUnit.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {
QString text(const char* s) { return QString::fromUtf8(s); }

// Polling has run for a while at the working speed, with the unit answering.
bool pollingAt(const SimulatedDetector& sim, qint32 baud, int answered = 10)
{
    const QList<SimRequest> r = sim.requests();
    int n = 0;
    for (int i = r.size() - 1; i >= 0 && r[i].baud == baud && r[i].answered; --i)
        ++n;
    return fmMain->connection->FlagReply() && n >= answered;
}

constexpr int SEARCH_MS = 20000;
constexpr int RECOVERY_MS = 40000;  // the 12-second countdown, then a search
}  // namespace

class tst_Recovery : public QObject {
    Q_OBJECT
private slots:
    void unitLeftAtTheWorkingSpeed_data();
    void unitLeftAtTheWorkingSpeed();
    void pauseWithoutPowerCycle();
    void thirdFaultyReply();
    void addressChangeKeepsTheLink();
    void addressedUnit();
    void refusedSettingShowsTheUnitsValue();
    void dialogsWaitForTheSpeedSwitch();
    void dialogOpenWhenTheLinkIsLost();
    void anotherUnitFoundAfterADialog();
    void windowsOverADialogGoWithTheLoss_data();
    void windowsOverADialogGoWithTheLoss();
    void unitThatKeepsItsSpeed();
    void transmitterFoundAtAnotherSpeed();
};

void tst_Recovery::unitLeftAtTheWorkingSpeed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("leftAt");
    QTest::addColumn<int>("working");
    QTest::newRow("at the working speed") << QStringList() << 57600 << 57600;
    QTest::newRow("at another speed") << QStringList() << 19200 << 57600;
    QTest::newRow("-BAUD115200, left at 115200") << QStringList{"-BAUD115200"} << 115200 << 115200;
}

void tst_Recovery::unitLeftAtTheWorkingSpeed()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, leftAt);
    QFETCH(int, working);
    ProgramWithUnit rig;
    rig.sim.state().baud = leftAt;  // as a program run before, or someone else, left it
    QVERIFY(rig.start(arguments));
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, working), SEARCH_MS);
    const QStringList log = logLines();
    // 4800 is tried first, as always; the speed that found the unit is in the log.
    QCOMPARE(log.value(2), text(LOG_ATTEMPT) + rig.sim.slavePath());
    QCOMPARE(log.value(3), text(LOG_FAILURE));
    QVERIFY2(log.contains(text(LOG_ATTEMPT_SPEED) + QString::number(leftAt)), qPrintable(log.join('|')));
    QCOMPARE(rig.program.readFile(text(CONNECT_LOG_FILE)).count("\r\n"), log.size());
    QCOMPARE(fmMain->stBaud->text(), QString::number(working));
    // The whole identification at the speed that answered, then the switch.
    const QList<SimRequest> r = rig.sim.requests();
    int at = 0;
    while (at < r.size() && !r[at].answered)
        ++at;
    QVERIFY(at < r.size());
    QCOMPARE(r[at].baud, leftAt);
    QCOMPARE(int(r[at].code), 100);
}

void tst_Recovery::pauseWithoutPowerCycle()
{
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);

    // Whoever watches the link hears of the loss once, and of the unit once it is back.
    QSignalSpy lost(fmMain->connection, &DetectorConnection::linkLost), found(fmMain->connection, &DetectorConnection::linkEstablished);
    // A loose connector: silent for 13 s, then back at the speed it had.
    rig.sim.setSilent(true);
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 5000);
    QCOMPARE(fmMain->stMessage->text(), text(MSG_LINK_LOST));
    QTest::qWait(13000 - 2000);
    rig.sim.setSilent(false);
    QCOMPARE(rig.sim.state().baud, 57600);
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), RECOVERY_MS);
    QCOMPARE(rig.program.readFile(text(REPORT_FILE)).count("\r\n"), 1);  // the loss, logged once
    QCOMPARE(lost.size(), 1);
    QCOMPARE(found.size(), 1);
}

void tst_Recovery::thirdFaultyReply()
{
    ProgramWithUnit rig;
    MessageBoxCatcher boxes;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);

    int faults = 0;
    connect(&rig.sim, &SimulatedDetector::requestReceived, &rig.sim, [&](const SimRequest&) {
        if (faults < 3) {
            rig.sim.corruptNext(SimulatedDetector::BadChecksum);
            ++faults;
        }
    });
    QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, 10000);
    QVERIFY(boxes.boxes[0].text.startsWith(text(RECEIVE_ERROR)));
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 10000);
    // Back without a power cycle, still at the working speed.
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), RECOVERY_MS);
    QCOMPARE(boxes.boxes.size(), 1);
}

void tst_Recovery::addressChangeKeepsTheLink()
{
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);
    QVERIFY(fmMain->bbAddr->isEnabled());

    QTimer::singleShot(0, fmAddr, [] {
        fmAddr->edAddr->setText(QStringLiteral("12"));
        fmAddr->bbSet->click();
    });
    fmMain->bbAddrClick();
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().address), 12, 5000);
    const int mark = rig.sim.requests().size();
    // The program goes on talking to address 0, which every unit answers.
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() > mark + 50, 10000);
    QVERIFY(pollingAt(rig.sim, 57600, 50));
    QCOMPARE(int(rig.sim.requests().last().addr), 0);
    QCOMPARE(fmMain->stAddr->text(), QStringLiteral("12"));
}

void tst_Recovery::addressedUnit()
{
    SimConfig config;
    config.address = 5;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start({QStringLiteral("-ADDR5")}));
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);
    for (const SimRequest& q : rig.sim.requests())
        QCOMPARE(int(q.addr), 5);
    // The address can be changed only while the program talks to 0.
    QVERIFY(!fmMain->bbAddr->isEnabled());
}

void tst_Recovery::refusedSettingShowsTheUnitsValue()
{
    SimConfig config;
    config.threshold = 7;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);
    QCOMPARE(fmMain->stPorogMarker->text(), QStringLiteral("1.7 B"));

    connect(&rig.sim, &SimulatedDetector::requestReceived, &rig.sim, [&](const SimRequest& q) {
        if (q.code == 112)  // the threshold setting is refused
            rig.sim.corruptNext(SimulatedDetector::Refusal);
    });
    fmMain->bbPlus->click();
    QCOMPARE(fmMain->stPorogMarker->text(), QStringLiteral("1.8 B"));
    // The unit is asked what it has, and the panel shows that.
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stPorogMarker->text(), QStringLiteral("1.7 B"), 5000);
    QCOMPARE(int(rig.sim.state().threshold), 7);
    QVERIFY(fmMain->connection->FlagReply());
}

void tst_Recovery::dialogsWaitForTheSpeedSwitch()
{
    ProgramWithUnit rig;
    bool openedInSwitch = false, tried = false, switching = false, openedAfter = false;
    connect(&rig.sim, &SimulatedDetector::requestReceived, &rig.sim, [&](const SimRequest& q) {
        if (q.code != 1 || tried)
            return;
        // The unit has the speed command: the program is in its switch now, whatever the
        // machine's load (its next step is due only 300 ms after the command left).
        tried = true;
        switching = fmMain->connection->link->switching();
        QTimer::singleShot(0, fmMain, [&] { openedInSwitch = fmLiter->isVisible(); });
        fmMain->bbLiter->click();
    });
    // The click is kept: its dialog opens once polling runs at the new speed.
    QTimer closer;
    connect(&closer, &QTimer::timeout, fmLiter, [&] {
        if (fmLiter->isVisible()) {
            openedAfter = !fmMain->connection->link->switching();
            fmLiter->reject();
        }
    });
    closer.start(20);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);
    QVERIFY(tried);
    QVERIFY(switching);
    QVERIFY(!openedInSwitch);
    QTRY_VERIFY_WITH_TIMEOUT(openedAfter, SEARCH_MS);
}

void tst_Recovery::dialogOpenWhenTheLinkIsLost()
{
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);
    const QString letter = fmMain->stLiter->text();

    bool greyedWhenLost = true;
    QTimer::singleShot(0, fmLiter, [&] {
        fmLiter->sb[6]->click();  // a choice not yet confirmed
        rig.sim.setSilent(true);
    });
    fmMain->bbLiterClick();  // returns when the dialog has closed
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 5000);
    greyedWhenLost = fmMain->FlagDisableMainWindow();
    QVERIFY(!greyedWhenLost);
    QVERIFY(!fmLiter->isVisible());
    QCOMPARE(fmMain->stLiter->text(), letter);  // as if cancelled
    QCOMPARE(fmMain->stMessage->text(), text(MSG_LINK_LOST));
    rig.sim.setSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), RECOVERY_MS);
    // Nothing the dialog held was sent.
    for (const SimRequest& q : rig.sim.requests())
        QVERIFY(q.code != 114);
}

void tst_Recovery::anotherUnitFoundAfterADialog()
{
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);

    // The receiver goes while the about box is open; a transmitter is on the cable when the
    // search comes back.
    QTimer::singleShot(0, fmMain, [&] { rig.sim.setSilent(true); });
    fmMain->bbAboutClick();  // returns once the box has been closed by the loss
    QTRY_VERIFY_WITH_TIMEOUT(!fmMain->connection->FlagReply(), 5000);
    QVERIFY(!fmMain->FlagDisableMainWindow());
    rig.sim.state().kind = SimConfig::Transmitter;
    rig.sim.powerCycle();
    rig.sim.setSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply() && fmMain->Ident() == 32, RECOVERY_MS);
    // The transmitter's view, not the receiver's buttons brought back by a late restore.
    QVERIFY(fmMain->bbLiter->isEnabled());
    QVERIFY(!fmMain->bbSkor->isEnabled());
    QVERIFY(!fmMain->sbZvonok->isVisible());
}

void tst_Recovery::windowsOverADialogGoWithTheLoss_data()
{
    QTest::addColumn<QString>("over");
    QTest::newRow("the letter's help") << QStringLiteral("letter help");
    QTest::newRow("the range's help") << QStringLiteral("range help");
    QTest::newRow("the address's error box") << QStringLiteral("address error");
}

// Nobody is at the laptop: the loss is shown at once, not when the top window is closed.
void tst_Recovery::windowsOverADialogGoWithTheLoss()
{
    QFETCH(QString, over);
    ProgramWithUnit rig;
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 57600), SEARCH_MS);

    QDialog* dialog = over.startsWith(QLatin1String("letter")) ? static_cast<QDialog*>(fmLiter)
                      : over.startsWith(QLatin1String("range")) ? static_cast<QDialog*>(fmSkor)
                                                                 : static_cast<QDialog*>(fmAddr);
    QTimer::singleShot(0, dialog, [&] {
        // Opened from inside the dialog, the top window runs its own loop.
        QTimer::singleShot(0, &rig.sim, [&] { rig.sim.setSilent(true); });
        if (over == QLatin1String("letter help"))
            fmLiter->sbHelpLit->click();
        else if (over == QLatin1String("range help"))
            fmSkor->sbHelpSkor->click();
        else {
            fmAddr->edAddr->setText(QStringLiteral("300"));
            fmAddr->bbSet->click();
        }
    });
    if (dialog == fmLiter)
        fmMain->bbLiterClick();
    else if (dialog == fmSkor)
        fmMain->bbSkorClick();
    else
        fmMain->bbAddrClick();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), text(MSG_LINK_LOST), 20000);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!dialog->isVisible());
    QVERIFY(!fmMain->FlagDisableMainWindow());
}

void tst_Recovery::unitThatKeepsItsSpeed()
{
    SimConfig config;
    config.ignoreSetBr = true;  // acknowledges the speed command, stays at 4800
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    // Lost after each of two switches, then polled where it is, with a word of why.
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 4800, 20), 3 * RECOVERY_MS);
    QCOMPARE(rig.program.readFile(text(REPORT_FILE)).count("\r\n"), 2);
    QCOMPARE(fmMain->stBaud->text(), QStringLiteral("4800"));
    QVERIFY(fmMain->stPered->isVisible());
    QCOMPARE(fmMain->stPered->text(), text(SPEED_REFUSED_NOTE).arg(57600));
    // The third time the unit was told the speed it keeps.
    int speedCommands = 0;
    for (const SimRequest& q : rig.sim.requests())
        if (q.code == 1)
            QCOMPARE(int(q.param), ++speedCommands < 3 ? 4 : 0);
    QCOMPARE(speedCommands, 3);
    const int mark = rig.sim.requests().size();
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() > mark + 30, 10000);
    QVERIFY(fmMain->connection->FlagReply());
}

void tst_Recovery::transmitterFoundAtAnotherSpeed()
{
    SimConfig config;
    config.kind = SimConfig::Transmitter;
    config.baud = 19200;  // left there by somebody else
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(pollingAt(rig.sim, 19200), SEARCH_MS);
    // Replies half a second late are late, not missing: the search's short wait is over.
    rig.sim.state().processingDelayMs = 500;
    const int mark = rig.sim.requests().size();
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() > mark + 6, 20000);
    QVERIFY(fmMain->connection->FlagReply());
    QCOMPARE(rig.program.readFile(text(REPORT_FILE)).count("\r\n"), 0);
}

QTEST_MAIN(tst_Recovery)
#include "tst_recovery.moc"
