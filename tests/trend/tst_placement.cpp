// Where the trend window opens beside the main window, on the screens installers carry.
#include "trend/TrendPlacement.h"

#include <QtTest>
#include <climits>

class tst_Placement : public QObject {
    Q_OBJECT
private slots:
    void placeTrend_data();
    void placeTrend();
    void reachable_data();
    void reachable();
};

void tst_Placement::placeTrend_data()
{
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QSize>("trend");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("placed");

    const QSize trend(820, 520);
    // A laptop with a taskbar at the bottom: 1366x768 less 28 pixels.
    const QRect laptop(0, 0, 1366, 740);
    const QRect wide(0, 0, 1920, 1040);
    QTest::newRow("1366x768, main at the left: beside it, narrower")
        << QRect(0, 0, 796, 500) << trend << laptop << QRect(796, 0, 570, 520);
    QTest::newRow("1366x768, main at the right edge: on its left, narrower")
        << QRect(570, 30, 796, 500) << trend << laptop << QRect(0, 30, 570, 520);
    QTest::newRow("1366x768, main in the middle: over as little of it as can be")
        << QRect(285, 120, 796, 500) << trend << laptop << QRect(546, 120, 820, 520);
    QTest::newRow("1920x1080, main at the left: beside it, whole")
        << QRect(100, 100, 796, 500) << trend << wide << QRect(896, 100, 820, 520);
    QTest::newRow("1920x1080, main at the right edge: on its left")
        << QRect(1124, 50, 796, 500) << trend << wide << QRect(304, 50, 820, 520);
    QTest::newRow("1920x1080, main low: beside it, raised onto the screen")
        << QRect(0, 600, 796, 440) << trend << wide << QRect(796, 520, 820, 520);
    QTest::newRow("1280x1024, no room beside: below")
        << QRect(240, 0, 796, 400) << trend << QRect(0, 0, 1280, 1000) << QRect(240, 400, 820, 520);
    QTest::newRow("second screen to the right of the first")
        << QRect(1366, 0, 796, 500) << trend << QRect(1366, 0, 1920, 1040) << QRect(2162, 0, 820, 520);
    QTest::newRow("1024x600: over the main window's right part")
        << QRect(0, 0, 796, 500) << trend << QRect(0, 0, 1024, 570) << QRect(204, 0, 820, 520);
    QTest::newRow("screen smaller than the trend: the whole screen")
        << QRect(0, 0, 796, 471) << QSize(1000, 700) << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("main window partly off the screen")
        << QRect(-300, -20, 796, 500) << trend << laptop << QRect(496, 0, 820, 520);
}

void tst_Placement::placeTrend()
{
    QFETCH(QRect, main);
    QFETCH(QSize, trend);
    QFETCH(QRect, available);
    QFETCH(QRect, placed);

    const QRect got = ::placeTrend(main, trend, available);
    QCOMPARE(got, placed);
    QVERIFY(available.contains(got));
}

void tst_Placement::reachable_data()
{
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("on the laptop") << QPoint(796, 0) << 570 << true;
    QTest::newRow("on the second screen") << QPoint(2000, 300) << 820 << true;
    QTest::newRow("where a third screen was") << QPoint(3400, 0) << 820 << false;
    QTest::newRow("only its bottom on the screen") << QPoint(100, -400) << 820 << false;
    QTest::newRow("title bar just inside the left edge") << QPoint(-760, 10) << 820 << true;
    QTest::newRow("near the end of the int range") << QPoint(INT_MAX - 10, INT_MAX - 10) << INT_MAX << false;
}

void tst_Placement::reachable()
{
    QFETCH(QPoint, topLeft);
    QFETCH(int, width);
    QFETCH(bool, reachable);
    const QList<QRect> screens{QRect(0, 0, 1366, 740), QRect(1366, 0, 1920, 1040)};
    QCOMPARE(reachableOn(topLeft, width, screens), reachable);
}

QTEST_GUILESS_MAIN(tst_Placement)
#include "tst_placement.moc"
