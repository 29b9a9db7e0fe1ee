// The trend window's large view: in place of the chart at a press of its button, the value in
// digits a third of the window high, the zone in words on the zone's colour, the maximum under
// it; from a session record filled by hand.
#include "panel/colors.h"
#include "panel/state_texts.h"
#include "trend/LargeReadout.h"
#include "trend/SessionBook.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"
#include "trend/texts.h"

#include <QChartView>
#include <QPushButton>
#include <QtTest>

class tst_LargeReadout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { init_color_scheme(); }
    void zones_data();
    void zones();
};

void tst_LargeReadout::zones_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("values");  // signals (or fields) in turn; the last is shown
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("line");
    const auto u = [](const char* s) { return QString::fromUtf8(s); };
    QTest::newRow("too weak") << int(ust) << QList<int>{60, 20} << false << "0.39" << u(ZONE_WEAK)
                              << COL_UST_HYST_NIZ_ACT << u("Максимум: 1.18 B");
    QTest::newRow("normal") << int(ust) << QList<int>{80} << false << "1.57" << u(ZONE_NORMAL)
                            << COL_UST_HYST_MIDDLE_ACT << u("Максимум: 1.57 B");
    QTest::newRow("too strong") << int(ust) << QList<int>{150, 140} << false << "2.75" << u(ZONE_STRONG)
                                << COL_UST_HYST_VERH_ACT << u("Максимум: 2.94 B");
    QTest::newRow("duty, quiet") << int(dej) << QList<int>{20} << false << "0.39" << u(SOST_NORM)
                                 << COL_PAN_SOST_NORM << u("Порог: 2.50 B");
    QTest::newRow("duty, alarm") << int(dej) << QList<int>{140} << true << "2.73" << u(SOST_TR)
                                 << COL_PAN_SOST_TR << u("Порог: 2.50 B");
}

void tst_LargeReadout::zones()
{
    QFETCH(int, mode);
    QFETCH(QList<int>, values);
    QFETCH(bool, alarm);
    SessionBook book;
    SessionRecord& record = *book.current();
    for (int v : values) {
        SessionSample s;
        s.ms = record.elapsedMs();
        s.mode = TRejim(mode);
        s.threshold = 15;
        s.field = TValPole(v);
        s.signal = TPosUstMarker(v);
        s.flags = SessionSample::FieldKnown | SessionSample::SignalKnown | (alarm ? SessionSample::Alarm : 0);
        record.add(s);
    }
    TrendWindow window(&book);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.chartView->isVisible() && !window.largeView->isVisible());
    window.sbLarge->click();
    QVERIFY(!window.chartView->isVisible());
    LargeReadout* view = window.largeView;
    QVERIFY(view->isVisible());

    QTEST(view->valueText(), "digits");
    QTEST(view->zoneText(), "zone");
    QTEST(view->zoneColour(), "colour");
    QFETCH(QString, line);
    QVERIFY2(view->lineText().startsWith(line), qPrintable(view->lineText()));

    // Readable from two metres: the digits' own height a third of the window's at least.
    const int digitHeight = QFontMetrics(view->digitFont()).tightBoundingRect(QStringLiteral("0")).height();
    QVERIFY2(digitHeight * 3 >= window.height(),
             qPrintable(QStringLiteral("%1 px in a window %2 px high").arg(digitHeight).arg(window.height())));
    // The zone's band shows its colour, beside the words.
    const QImage shot = view->grab().toImage();
    const QRect band = view->zoneRect();
    QCOMPARE(QColor(shot.pixel(band.left() + 12, band.center().y())), view->zoneColour());

    // And back to the chart.
    window.sbLarge->click();
    QVERIFY(window.chartView->isVisible() && !view->isVisible());
}

QTEST_MAIN(tst_LargeReadout)
#include "tst_largereadout.moc"
