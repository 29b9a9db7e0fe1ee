// The program without a mouse: where Tab goes in each window, that the control it reaches
// shows it, the threshold moved with the arrow keys, and the keys of the controls Tab leaves
// out, against the simulated detector.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "SimulatedDetector.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/widgets.h"
#include "trend/TrendWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

// The widgets Tab visits in `window`, from its first focus stop until it comes round again.
QList<QWidget*> tabStops(QWidget* window)
{
    QList<QWidget*> stops;
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return stops;
    QTest::keyClick(window, Qt::Key_Tab);
    for (int i = 0; i < 20; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (!f || stops.contains(f))
            break;
        stops << f;
        QTest::keyClick(f, Qt::Key_Tab);
    }
    // Start the list where reading starts, whatever had the focus before.
    if (!stops.isEmpty()) {
        QWidget* first = stops.first();
        for (QWidget* w : stops)
            if (w->mapTo(window, QPoint()).y() * 10000 + w->mapTo(window, QPoint()).x()
                < first->mapTo(window, QPoint()).y() * 10000 + first->mapTo(window, QPoint()).x())
                first = w;
        while (stops.first() != first)
            stops.append(stops.takeFirst());
    }
    return stops;
}

// How many pixels of the widget change when it loses the focus.
int focusPixels(QWidget* w)
{
    w->setFocus(Qt::TabFocusReason);
    if (!QTest::qWaitFor([w] { return w->hasFocus(); }, 5000))
        return -1;
    const QImage focused = w->grab().toImage();
    w->clearFocus();
    const QImage unfocused = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x)
            n += focused.pixel(x, y) != unfocused.pixel(x, y);
    return n;
}

QString names(const QList<QWidget*>& widgets)
{
    QStringList out;
    for (QWidget* w : widgets) {
        auto* b = qobject_cast<QPushButton*>(w);
        out << (!w->accessibleName().isEmpty() ? w->accessibleName()
                : b                            ? b->text()
                                               : QString::fromLatin1(w->metaObject()->className()));
    }
    return out.join(QLatin1String(", "));
}

// The controls Tab leaves out, each reached by the key its tooltip names.
QList<std::pair<QString, QAbstractButton*>> keyedControls()
{
    return {{"sbRabota", fmMain->sbRabota}, {"sbUst", fmMain->sbUst},       {"bbLiter", fmMain->bbLiter},
            {"bbSkor", fmMain->bbSkor},     {"bbAddr", fmMain->bbAddr},     {"bbTrend", fmMain->bbTrend},
            {"sbZvonok", fmMain->sbZvonok}, {"sbAim", fmMain->sbAim}};
}

QKeySequence keyInTooltip(const QWidget* w)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\((.+)\\)$")).match(w->toolTip());
    return m.hasMatch() ? QKeySequence::fromString(m.captured(1), QKeySequence::NativeText) : QKeySequence();
}

}  // namespace

class tst_Keyboard : public QObject {
    Q_OBJECT
private slots:
    void tabFollowsReadingAndShowsFocus_data();
    void tabFollowsReadingAndShowsFocus();
    void arrowKeysMoveThreshold_data();
    void arrowKeysMoveThreshold();
    void keysPressWhatCanBeClicked_data();
    void keysPressWhatCanBeClicked();
};

void tst_Keyboard::tabFollowsReadingAndShowsFocus_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("start page") << "start";
    QTest::newRow("panel of a receiver") << "panel";
    QTest::newRow("letter dialog") << "letter";
    QTest::newRow("speed dialog") << "speed";
    QTest::newRow("address dialog") << "address";
}

void tst_Keyboard::tabFollowsReadingAndShowsFocus()
{
    QFETCH(QString, window);
    SimulatedDetector sim;
    QVERIFY(sim.open());
    // On the start page the search finds nothing, so its buttons are in use.
    ProgramFixture program(window == "start" ? QStringList() : QStringList{sim.slavePath()});
    program.start();
    QVERIFY(QTest::qWaitForWindowExposed(fmMain));

    QWidget* top = fmMain;
    QList<QWidget*> expected;
    if (window == "start") {
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->bbFind->isEnabled() && fmMain->paInit->isVisible(), 15000);
        expected = {fmMain->bbFind, fmMain->bbInitClose};
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply() && fmMain->sbRabota->Down(), 15000);
        if (window == "panel") {
            expected = {fmMain->pbPorogMarker, fmMain->sbHelpDej, fmMain->bbTrend, fmMain->bbAbout, fmMain->bbClose};
            if (fmMain->sbHelpUst->isEnabled())
                expected.insert(2, fmMain->sbHelpUst);
        } else if (window == "letter") {
            top = fmLiter;
            expected = {fmLiter->bbSet, fmLiter->bbCancel};
        } else if (window == "speed") {
            top = fmSkor;
            expected = {fmSkor->bbSet, fmSkor->bbCancel};
        } else {
            top = fmAddr;
            expected = {fmAddr->edAddr, fmAddr->bbSet, fmAddr->bbCancel};
        }
        if (top != fmMain) {
            top->show();
            QVERIFY(QTest::qWaitForWindowExposed(top));
        }
    }

    const QList<QWidget*> stops = tabStops(top);
    QCOMPARE(names(stops), names(expected));
    QCOMPARE(stops, expected);
    // Each stop shows that it has the focus. (A line edit shows it by its cursor as well.)
    for (QWidget* w : stops)
        QVERIFY2(focusPixels(w) > (w->width() + w->height()) / 2, qPrintable(names({w})));
    if (top != fmMain)
        top->hide();
}

void tst_Keyboard::arrowKeysMoveThreshold_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("sent");  // the threshold sent, -1 for none
    QTest::newRow("down from the top") << 15 << int(Qt::Key_Down) << 14;
    QTest::newRow("up from the middle") << 7 << int(Qt::Key_Up) << 8;
    QTest::newRow("up at the top") << 15 << int(Qt::Key_Up) << -1;
    QTest::newRow("down at the bottom") << 0 << int(Qt::Key_Down) << -1;
    QTest::newRow("another key") << 7 << int(Qt::Key_Right) << -1;
}

void tst_Keyboard::arrowKeysMoveThreshold()
{
    QFETCH(int, threshold);
    QFETCH(int, key);
    QFETCH(int, sent);
    SimConfig config;
    config.threshold = quint8(threshold);
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->sbRabota->Down() && int(fmMain->PosPorog()) == threshold, 15000);
    fmMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fmMain));
    fmMain->pbPorogMarker->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(fmMain->pbPorogMarker->hasFocus());

    const int mark = rig.sim.requests().size();
    QTest::keyClick(fmMain->pbPorogMarker, Qt::Key(key));
    // Past two duty series the setting would have had its turn.
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.requests().size() >= mark + 20, 10000);
    QList<int> thresholds;
    for (const SimRequest& r : rig.sim.requests().mid(mark))
        if (r.code == 112)
            thresholds << r.param;
    QCOMPARE(thresholds, sent < 0 ? QList<int>() : QList<int>{sent});
    QCOMPARE(int(fmMain->PosPorog()), sent < 0 ? threshold : sent);
}

void tst_Keyboard::keysPressWhatCanBeClicked_data()
{
    QTest::addColumn<bool>("transmitter");
    QTest::addColumn<bool>("linkLost");
    QTest::addColumn<QStringList>("pressed");
    QTest::newRow("receiver") << false << false
                              << QStringList{"sbRabota", "sbUst",   "bbLiter",  "bbSkor",
                                             "bbAddr",   "bbTrend", "sbZvonok", "sbAim"};
    // The other controls are greyed out or hidden.
    QTest::newRow("transmitter") << true << false << QStringList{"bbLiter"};
    // The panel keeps its controls enabled under the start page, where no mouse reaches them.
    QTest::newRow("receiver, link lost") << false << true << QStringList{};
}

void tst_Keyboard::keysPressWhatCanBeClicked()
{
    QFETCH(bool, transmitter);
    QFETCH(bool, linkLost);
    QFETCH(QStringList, pressed);
    SimConfig config;
    config.kind = transmitter ? SimConfig::Transmitter : SimConfig::Receiver;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed()
                                 && (transmitter || fmMain->sbRabota->Down()),
                             15000);
    if (linkLost) {
        rig.sim.setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->paInit->isVisible(), 15000);
    }

    // A settings dialog the key opens is closed again at once, and counted.
    QStringList opened;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&opened] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened << d->windowTitle();
            d->reject();
        }
    });
    closer.start();

    for (const auto& [name, control] : keyedControls()) {
        const QKeySequence key = keyInTooltip(control);
        QVERIFY2(key.count() == 1, qPrintable(name + ": " + control->toolTip()));
        // Back to the panel after a dialog or the trend window, as the desktop (or the
        // installer) hands it the keyboard; the test platform does not on its own.
        fmMain->activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(fmMain), 5000);
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const auto& [other, button] : keyedControls())
            spies.push_back(std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked));
        const int dialogs = opened.size();
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : fmMain, key[0].key(), key[0].keyboardModifiers());
        QStringList clicked;
        for (std::size_t i = 0; i < spies.size(); ++i)
            if (!spies[i]->isEmpty())
                clicked << keyedControls()[qsizetype(i)].first;
        QVERIFY2(clicked == (pressed.contains(name) ? QStringList{name} : QStringList{}),
                 qPrintable(QStringLiteral("%1 clicked [%2]").arg(key.toString(), clicked.join(' '))));
        const bool opensDialog = name == "bbLiter" || name == "bbSkor" || name == "bbAddr";
        QCOMPARE(opened.size() - dialogs, opensDialog && pressed.contains(name) ? 1 : 0);
    }
    if (pressed.contains("bbTrend"))
        QVERIFY(fmMain->fmTrend && fmMain->fmTrend->isVisible());
    else
        QVERIFY(!fmMain->fmTrend);
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
