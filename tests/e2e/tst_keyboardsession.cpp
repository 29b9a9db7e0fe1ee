// A session at the fence line without a mouse: the real program against the simulated
// receiver, every step a key pressed on whatever has the keyboard, and the unit's line
// showing that each setting went out with the value chosen.
#include "ProgramWithUnit.h"
#include "RequestLog.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/widgets.h"
#include "trend/TrendWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>

namespace {

// A key as the installer presses it: it goes to the widget with the keyboard focus.
void press(int key)
{
    QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QVERIFY(to);
    QTest::keyClick(to, Qt::Key(key));
}

// Runs `inside` in the next modal window other than `below` once it is up, while the test
// sits in that window's exec(); closes the window if `inside` left it open, so that the test
// never hangs there. Waiting ends with the object.
class WhenModal {
public:
    explicit WhenModal(std::function<void(QWidget*)> inside, QWidget* below = nullptr)
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this, inside, below] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == below || !w->isVisible())
                return;
            FTimer.stop();
            FCame = true;
            inside(w);
            if (w->isVisible())
                w->close();
        });
        FTimer.start();
    }
    bool came() const { return FCame; }

private:
    QTimer FTimer;
    bool FCame = false;
};

// The settings the unit heard from `from` on, as "code value", leaving out the mode, which
// the program repeats after every dialog.
QStringList settingsSince(const QList<SimRequest>& requests, int from)
{
    QStringList out;
    for (int i = from; i < requests.size(); ++i)
        if (requests[i].param >= 0 && requests[i].code != 113)
            out << setting(requests[i]);
    return out;
}

QList<int> modesSince(const QList<SimRequest>& requests, int from)
{
    QList<int> out;
    for (int i = from; i < requests.size(); ++i)
        if (requests[i].code == 113)
            out << requests[i].param;
    return out;
}

// Hands the keyboard to the window, as the desktop does when a window opens or a dialog over
// it closes; the test platform leaves that to the test.
bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
}

QString settingsText(const QList<int>& values)
{
    QStringList out;
    for (int v : values)
        out << QString::number(v);
    return out.join(QLatin1Char(' '));
}

}  // namespace

class tst_KeyboardSession : public QObject {
    Q_OBJECT
private slots:
    void wholeSessionByKeys();
};

void tst_KeyboardSession::wholeSessionByKeys()
{
    ProgramWithUnit rig;  // a receiver in duty mode: letter 1, the fastest range, threshold 15
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed() && fmMain->sbRabota->Down(), 15000);
    QVERIFY(activate(fmMain));
    const int mark = rig.sim.requests().size();

    // Alignment and back to duty, by the keys the mode buttons' tooltips name.
    QCOMPARE(fmMain->sbUst->toolTip(), QString::fromUtf8("Юстировка (F4)"));
    QCOMPARE(fmMain->sbRabota->toolTip(), QString::fromUtf8("Порог (F2)"));
    press(Qt::Key_F4);
    QVERIFY(fmMain->sbUst->Down() && !fmMain->sbRabota->Down());
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().mode), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->Rejim(), ust, 5000);
    press(Qt::Key_F2);
    QVERIFY(fmMain->sbRabota->Down() && !fmMain->sbUst->Down());
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().mode), 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->Rejim(), dej, 5000);
    QVERIFY(fmMain->bbPlus->isEnabled());

    // Tab to the threshold scale, one step down.
    for (int i = 0; i < 10 && QApplication::focusWidget() != fmMain->pbPorogMarker; ++i)
        press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fmMain->pbPorogMarker));
    const QString thresholdAt15 = fmMain->stPorogMarker->text();
    press(Qt::Key_Down);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().threshold), 14, 5000);
    QCOMPARE(int(fmMain->PosPorog()), 14);
    QVERIFY(fmMain->stPorogMarker->text() != thresholdAt15);

    // The letter: 5, one to the right, Enter. While the dialog greys the window out, the
    // range's key opens nothing.
    QStringList letterShown;
    bool rangeOpened = true;
    QSignalSpy rangeClicks(fmMain->bbSkor, &QAbstractButton::clicked);
    WhenModal letter([&](QWidget* dlg) {
        QCOMPARE(dlg, static_cast<QWidget*>(fmLiter));
        QVERIFY(activate(dlg));
        for (int key : {Qt::Key_5, Qt::Key_Right}) {
            press(key);
            letterShown << fmMain->stLiter->text();
        }
        {
            WhenModal stray([](QWidget*) {}, dlg);
            press(Qt::Key_F7);
            rangeOpened = stray.came() || fmSkor->isVisible();
        }
        press(Qt::Key_Return);
    });
    press(Qt::Key_F6);
    QVERIFY(letter.came());
    QVERIFY(!fmLiter->isVisible());
    QCOMPARE(letterShown, (QStringList{"5", "6"}));
    QVERIFY(!rangeOpened);
    QCOMPARE(rangeClicks.count(), 0);
    QCOMPARE(fmMain->stLiter->text(), QStringLiteral("6"));
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().letterIndex), 5, 5000);
    QVERIFY(activate(fmMain));

    // The range: the slowest by its digit, one back, Enter.
    QStringList rangeShown;
    WhenModal range([&](QWidget* dlg) {
        QVERIFY(activate(dlg));
        for (int key : {Qt::Key_3, Qt::Key_Left}) {
            press(key);
            rangeShown << fmMain->stSkor->text();
        }
        press(Qt::Key_Return);
    });
    press(Qt::Key_F7);
    QVERIFY(range.came());
    QCOMPARE(rangeShown, (QStringList{QString::fromUtf8("0,1...1 м/с"), QString::fromUtf8("0,1...4 м/с")}));
    QCOMPARE(fmMain->stSkor->text(), QString::fromUtf8("0,1...4 м/с"));
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().speedIndex), 1, 5000);
    QVERIFY(activate(fmMain));

    // Each setting went out once, with the value chosen. The mode went to alignment and back
    // to duty and stayed there (the program repeats a mode when the unit reports it, and
    // after every dialog). Saving the record asks for a file in the system's file dialog,
    // which is not driven here.
    QCOMPARE(settingsSince(rig.sim.requests(), mark), (QStringList{"112 14", "114 5", "115 1"}));
    const QList<int> modes = modesSince(rig.sim.requests(), mark);
    QList<int> backOnce = modes;
    std::sort(backOnce.begin(), backOnce.end(), std::greater<int>());
    QVERIFY2(!modes.isEmpty() && modes.first() == 1 && modes.last() == 0 && modes == backOnce,
             qPrintable(settingsText(modes)));

    // The trend opens and takes the keyboard.
    press(Qt::Key_F9);
    QVERIFY(fmMain->fmTrend && fmMain->fmTrend->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(fmMain->fmTrend), 5000);
}

QTEST_MAIN(tst_KeyboardSession)
#include "tst_keyboardsession.moc"
