// The mode buttons' exclusive pair with its one all-up permission, a lone toggle, and the
// read-out that keeps both ends of a long port name.
#include "panel/widgets.h"

#include "panel/ProgramStyle.h"
#include "panel/fonts.h"

#include <QDialog>
#include <QHelpEvent>
#include <QToolTip>
#include <QtTest>

class tst_Widgets : public QObject {
    Q_OBJECT
private slots:
    void modePair_data();
    void modePair();
    void loneButtonToggles();
    void enterAfterClickReachesDefaultButton();
    void longTextKeepsBothEnds_data();
    void longTextKeepsBothEnds();
};

void tst_Widgets::modePair_data()
{
    QTest::addColumn<bool>("aDown");
    QTest::addColumn<bool>("bDown");
    QTest::addColumn<bool>("allowAllUp");
    // "click A", "click B", "down A", "up A", "down B"
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("accepted");  // SetDown's result; clicks are always accepted
    QTest::addColumn<bool>("aDownAfter");
    QTest::addColumn<bool>("bDownAfter");
    QTest::addColumn<int>("aHandlers");
    QTest::addColumn<int>("bHandlers");

    QTest::newRow("click up A, both up") << false << false << true << "click A" << true << true << false << 1 << 0;
    QTest::newRow("click up A, B down") << false << true << false << "click A" << true << true << false << 1 << 0;
    QTest::newRow("click down A, permission off") << true << false << false << "click A" << true << true << false << 1 << 0;
    QTest::newRow("click down A, permission on") << true << false << true << "click A" << true << false << false << 1 << 0;
    QTest::newRow("program ups A, permission off") << true << false << false << "up A" << false << true << false << 0 << 0;
    QTest::newRow("program ups A, permission on") << true << false << true << "up A" << true << false << false << 0 << 0;
    QTest::newRow("program downs B over A") << true << false << false << "down B" << true << false << true << 0 << 0;
    QTest::newRow("program downs A again") << true << false << false << "down A" << true << true << false << 0 << 0;
}

void tst_Widgets::modePair()
{
    QFETCH(bool, aDown);
    QFETCH(bool, bDown);
    QFETCH(bool, allowAllUp);
    QFETCH(QString, action);
    QFETCH(bool, accepted);

    SpeedButton a("A"), b("B");
    ModeButtonPair pair(&a, &b);
    pair.SetAllowAllUp(true);
    if (aDown)
        pair.SetDown(&a, true);
    if (bDown)
        pair.SetDown(&b, true);
    pair.SetAllowAllUp(allowAllUp);
    int aHandlers = 0, bHandlers = 0;
    connect(&a, &QPushButton::clicked, [&] { ++aHandlers; });
    connect(&b, &QPushButton::clicked, [&] { ++bHandlers; });

    bool result = true;
    if (action == "click A")
        a.click();
    else if (action == "click B")
        b.click();
    else if (action == "down A")
        result = pair.SetDown(&a, true);
    else if (action == "up A")
        result = pair.SetDown(&a, false);
    else if (action == "down B")
        result = pair.SetDown(&b, true);

    QCOMPARE(result, accepted);
    QTEST(a.Down(), "aDownAfter");
    QTEST(b.Down(), "bDownAfter");
    QTEST(aHandlers, "aHandlers");
    QTEST(bHandlers, "bHandlers");
    QVERIFY(!(a.Down() && b.Down()));
}

void tst_Widgets::loneButtonToggles()
{
    SpeedButton mute;
    int handlers = 0;
    connect(&mute, &QPushButton::clicked, [&] { ++handlers; });
    mute.click();
    QVERIFY(mute.Down());
    mute.click();
    QVERIFY(!mute.Down());
    QCOMPARE(handlers, 2);
}

void tst_Widgets::enterAfterClickReachesDefaultButton()
{
    QDialog dialog;
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* letter = new SpeedButton("1", &dialog);
    letter->move(0, 40);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(letter, Qt::LeftButton);
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(letter->Down());
}

void tst_Widgets::longTextKeepsBothEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("elided");
    QTest::newRow("device name") << "ttyUSB0" << false;
    QTest::newRow("Windows name") << "COM12" << false;
    QTest::newRow("by-id path") << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K5Z2B-if00-port0" << true;
    QTest::newRow("device path") << "/dev/ttyUSB1" << true;
}

void tst_Widgets::longTextKeepsBothEnds()
{
    QFETCH(QString, text);
    QFETCH(bool, elided);
    useProgramStyle();
    // The port read-out's box and face.
    QWidget window;
    window.setFont(programFont(16));
    auto* label = new ElidedLabel(&window);
    label->setGeometry(5, 5, 91, 25);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setText(text);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QString shown = label->shownText();
    QCOMPARE(label->text(), text);
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
    if (elided) {
        const int ellipsis = shown.indexOf(QChar(0x2026));
        QVERIFY2(ellipsis > 0 && ellipsis < shown.size() - 1, qPrintable(shown));
        QVERIFY(text.startsWith(shown.left(ellipsis)));
        QVERIFY(text.endsWith(shown.mid(ellipsis + 1)));
        QVERIFY2(ellipsis >= 3 && shown.size() - ellipsis - 1 >= 3, qPrintable(shown));
    } else {
        QCOMPARE(shown, text);
    }
    // What the box draws is what shownText says.
    auto* reference = new QLabel(shown, &window);
    reference->setGeometry(label->geometry().translated(0, 40));
    reference->setFrameStyle(label->frameStyle());
    reference->setAlignment(label->alignment());
    reference->show();
    QCOMPARE(label->grab().toImage(), reference->grab().toImage());

    // Resting the pointer on the box shows the whole name when part of it is hidden.
    QHelpEvent rest(QEvent::ToolTip, label->rect().center(), label->mapToGlobal(label->rect().center()));
    QApplication::sendEvent(label, &rest);
    QCOMPARE(label->toolTip(), elided ? text : QString());
    if (elided)
        QTRY_COMPARE(QToolTip::text(), text);
    QToolTip::hideText();
}

QTEST_MAIN(tst_Widgets)
#include "tst_widgets.moc"
