// The mode buttons' exclusive pair with its one all-up permission, and a lone toggle.
#include "panel/widgets.h"

#include <QDialog>
#include <QtTest>

class tst_Widgets : public QObject {
    Q_OBJECT
private slots:
    void modePair_data();
    void modePair();
    void loneButtonToggles();
    void enterAfterClickReachesDefaultButton();
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

QTEST_MAIN(tst_Widgets)
#include "tst_widgets.moc"
