// The program driven as a screen reader or an automation tool drives it: through the
// accessible interface of each control, against the simulated detector. What a control's
// action does must be what its click does, down to the request on the wire.
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/help.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

int indexOfCode(const QList<SimRequest>& requests, int code, int from)
{
    for (int i = from; i < requests.size(); ++i)
        if (requests[i].code == code)
            return i;
    return -1;
}

// Runs the control's first action, the one a screen reader offers for it ("Press" for a push
// button, "Toggle" for a button that stays down).
void act(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(iface);
    QAccessibleActionInterface* actions = iface->actionInterface();
    QVERIFY(actions);
    const QStringList names = actions->actionNames();
    QVERIFY2(!names.isEmpty(), qPrintable(w->objectName()));
    actions->doAction(names.first());
}

// Runs `inside` in the first modal window that comes up, and waits until it has closed.
void whenModal(std::function<void()> inside)
{
    auto* t = new QTimer;
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, [t, inside] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        t->stop();
        t->deleteLater();
        inside();
        if (!QTest::qWaitFor([w] { return !w->isVisible(); }, 5000))
            w->close();
    });
    t->start();
}

}  // namespace

Q_DECLARE_METATYPE(std::function<void()>)

class tst_Accessibility : public QObject {
    Q_OBJECT
private slots:
    void actionSendsWhatAClickSends_data();
    void actionSendsWhatAClickSends();
    void muteToggle();
    void everyControlIsNamed();
};

void tst_Accessibility::actionSendsWhatAClickSends_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<std::function<void()>>("drive");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("param");
    auto row = [](const char* name, int threshold, std::function<void()> drive, int code, int param) {
        QTest::newRow(name) << threshold << drive << code << param;
    };
    row("mode button to alignment", 15, [] { act(fmMain->sbUst); }, 113, 1);
    row("threshold arrow down", 15, [] { act(fmMain->bbMinus); }, 112, 14);
    row("threshold arrow up", 7, [] { act(fmMain->bbPlus); }, 112, 8);
    row("letter 6, then set", 15, [] {
        whenModal([] {
            act(fmLiter->sb[5]);
            act(fmLiter->bbSet);
        });
        act(fmMain->bbLiter);
    }, 114, 5);
    row("speed range, then set", 15, [] {
        whenModal([] {
            act(fmSkor->sbSkor[2]);
            act(fmSkor->bbSet);
        });
        act(fmMain->bbSkor);
    }, 115, 2);
}

void tst_Accessibility::actionSendsWhatAClickSends()
{
    QFETCH(int, threshold);
    QFETCH(std::function<void()>, drive);
    QFETCH(int, code);
    QFETCH(int, param);

    SimConfig config;
    config.threshold = quint8(threshold);
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= 16 && fmMain->sbRabota->Down(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(int(fmMain->PosPorog()), threshold, 5000);

    const int mark = rig.sim.requests().size();
    drive();
    QTRY_VERIFY_WITH_TIMEOUT(indexOfCode(rig.sim.requests(), code, mark) >= 0, 5000);
    QCOMPARE(rig.sim.requests()[indexOfCode(rig.sim.requests(), code, mark)].param, param);
}

void tst_Accessibility::muteToggle()
{
    SimConfig config;
    config.alarm = true;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    // The sound starts muted, as a fresh settings file has it.
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->FlagTr() && fmMain->sbZvonok->isVisible(), 15000);
    QVERIFY(fmMain->sbZvonok->Down());
    QVERIFY(!rig.program.alarm()->on);

    act(fmMain->sbZvonok);
    QVERIFY(!fmMain->sbZvonok->Down());
    QTRY_VERIFY_WITH_TIMEOUT(rig.program.alarm()->on, 5000);
    act(fmMain->sbZvonok);
    QVERIFY(fmMain->sbZvonok->Down());
    QVERIFY(!rig.program.alarm()->on);
}

void tst_Accessibility::everyControlIsNamed()
{
    ProgramFixture program;
    QList<QWidget*> windows{fmMain, fmLiter, fmSkor, fmAddr, fmAbout, fmHelp};
    for (QWidget* window : windows) {
        // Every button, and everything else that can take the focus.
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (qobject_cast<QAbstractButton*>(w) || w->focusPolicy() != Qt::NoFocus)
                controls << w;
        for (QWidget* w : controls) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
            QVERIFY(iface);
            const QString name = iface->text(QAccessible::Name);
            QVERIFY2(!name.trimmed().isEmpty(),
                     qPrintable(QStringLiteral("%1 in %2").arg(w->metaObject()->className(),
                                                               window->metaObject()->className())));
        }
    }
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
