// The settings dialogs against the simulated detector: what the unit reports shows in the
// dialogs, and what the installer confirms goes out on the wire, once.
#include "ProgramWithUnit.h"
#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "RequestLog.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs `act` in the first modal window that comes up, then makes sure it is gone.
void whenModal(std::function<void()> act)
{
    auto* t = new QTimer;
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, [t, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        t->stop();
        t->deleteLater();
        act();
        if (w->isVisible())
            w->close();
    });
    t->start();
}

}  // namespace

Q_DECLARE_METATYPE(std::function<void()>)

class tst_DialogsWire : public QObject {
    Q_OBJECT
private slots:
    void reportedValuesShow();
    void confirmedChoiceIsSent_data();
    void confirmedChoiceIsSent();
    void clickDuringSpeedSwitch_data();
    void clickDuringSpeedSwitch();
};

void tst_DialogsWire::reportedValuesShow()
{
    SimConfig config;
    config.letterIndex = 4;
    config.speedIndex = 2;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());

    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stSkor->text(), QString::fromUtf8("0,1...1 м/с"), 15000);
    QCOMPARE(fmMain->stLiter->text(), QStringLiteral("5"));
    QCOMPARE(fmMain->stAddr->text(), QStringLiteral("0"));
    // The values come with the identification, before the speed switch, while no dialog opens.
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed(), 15000);
    // Each dialog opens on the value the unit reported.
    auto shownWhenOpened = [](auto* dialog, auto opener, auto shown) {
        bool result = false;
        QTimer::singleShot(0, dialog, [&] {
            result = shown();
            dialog->reject();
        });
        (fmMain->*opener)();
        return result;
    };
    QVERIFY(shownWhenOpened(fmLiter, &TfmMain::bbLiterClick, [] { return fmLiter->sb[4]->Down(); }));
    QVERIFY(shownWhenOpened(fmSkor, &TfmMain::bbSkorClick, [] { return fmSkor->sbSkor[2]->Down(); }));
    QVERIFY(shownWhenOpened(fmAddr, &TfmMain::bbAddrClick,
                            [] { return fmAddr->edAddr->text() == QStringLiteral("0"); }));
}

void tst_DialogsWire::confirmedChoiceIsSent_data()
{
    QTest::addColumn<bool>("transmitter");
    QTest::addColumn<std::function<void()>>("choose");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("param");
    auto row = [](const char* name, bool transmitter, std::function<void()> choose, int code, int param) {
        QTest::newRow(name) << transmitter << choose << code << param;
    };
    row("letter, transmitter", true, [] { fmLiter->sb[5]->click(); }, 114, 5);
    row("letter, receiver", false, [] { fmLiter->sb[7]->click(); }, 114, 7);
    row("speed", false, [] { fmSkor->sbSkor[2]->click(); }, 115, 2);
    row("address", false, [] { fmAddr->edAddr->setText("255"); }, 6, 255);
}

void tst_DialogsWire::confirmedChoiceIsSent()
{
    QFETCH(bool, transmitter);
    QFETCH(std::function<void()>, choose);
    QFETCH(int, code);
    QFETCH(int, param);

    SimConfig config;
    config.kind = transmitter ? SimConfig::Transmitter : SimConfig::Receiver;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= (transmitter ? 5 : 12), 15000);

    QPushButton* opener = code == 114 ? fmMain->bbLiter : code == 115 ? fmMain->bbSkor : fmMain->bbAddr;
    QPushButton* confirm = code == 114 ? fmLiter->bbSet : code == 115 ? fmSkor->bbSet : fmAddr->bbSet;
    QVERIFY(opener->isEnabled());
    const int mark = rig.sim.requests().size();
    whenModal([&] {
        choose();
        confirm->click();
    });
    opener->click();

    QTRY_VERIFY_WITH_TIMEOUT(indexOfCode(rig.sim.requests(), code, mark) >= 0, 5000);
    const int at = indexOfCode(rig.sim.requests(), code, mark);
    QCOMPARE(rig.sim.requests()[at].param, param);
    // Sent once and acknowledged; the next request is a query again. (A new address leaves
    // the unit answering to that address only, so no more replies come from it here.)
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= at + 2, 5000);
    const QList<SimRequest> r = rig.sim.requests();
    QVERIFY(r[at].answered);
    QVERIFY(r[at + 1].param < 0);
    QCOMPARE(countCode(r, code, mark), 1);
}

void tst_DialogsWire::clickDuringSpeedSwitch_data()
{
    QTest::addColumn<bool>("unitFollows");
    QTest::addColumn<int>("opened");
    QTest::newRow("the unit follows: the dialog opens once polling runs") << true << 1;
    // The unit keeps its old speed: the link is lost in the switch, and the click with it.
    QTest::newRow("the link is lost in the switch") << false << 0;
}

void tst_DialogsWire::clickDuringSpeedSwitch()
{
    QFETCH(bool, unitFollows);
    QFETCH(int, opened);
    SimConfig config;
    config.ignoreSetBr = !unitFollows;
    ProgramWithUnit rig(config);

    // The installer clicks as soon as the receiver's panel comes up, while the line changes speed.
    bool clickedWhileSwitching = false;
    bool clicked = false;
    QObject::connect(fmMain->connection, &DetectorConnection::linkEstablished, fmMain, [&] {
        if (clicked)
            return;
        clicked = true;
        QTimer::singleShot(0, fmMain, [&] {
            clickedWhileSwitching = fmMain->connection->link->switching();
            fmMain->bbLiter->click();
        });
    });
    // Every dialog that comes up is noted with whether the unit was polled then, and closed.
    int dialogs = 0;
    bool openedWhilePolled = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != fmLiter)
            return;
        ++dialogs;
        openedWhilePolled = polling() && !fmMain->connection->link->switching();
        fmLiter->reject();
    });
    watch.start();
    QVERIFY(rig.start());

    QTRY_VERIFY_WITH_TIMEOUT(clickedWhileSwitching, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(polling() && !fmMain->connection->link->switching() && dialogs >= opened, 60000);
    // Long enough polling that a click kept too long, or twice, would have shown by now.
    QSignalSpy replies(fmMain->connection->link, &DetectorLink::replyAccepted);
    // (The unit that keeps its speed is lost twice and searched for again before it is polled.)
    QTRY_VERIFY_WITH_TIMEOUT(replies.size() >= 50, 90000);
    QCOMPARE(dialogs, opened);
    if (opened)
        QVERIFY(openedWhilePolled);
    QVERIFY(fmMain->SettingDialogsAllowed());
}

QTEST_MAIN(tst_DialogsWire)
#include "tst_dialogs_wire.moc"
