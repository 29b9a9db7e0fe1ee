// The four scale objects: their geometry, and the pixels they put on the screen.
#include "ProgramFixture.h"
#include "panel/colors.h"
#include "panel/scales.h"
#include "panel/widgets.h"

#include <QtTest>

namespace {
const QColor kMarker(255, 0, 0), kFill(100, 180, 50), kBack(0, 0, 255), kLow(200, 0, 200);

QImage paint(PaintArea* area)
{
    area->repaintNow();
    return area->grab().toImage();
}
QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }
}  // namespace

class tst_Scales : public QObject {
    Q_OBJECT
private slots:
    void init() { program = new ProgramFixture; }
    void cleanup() { delete program; }
    void thresholdGeometry();
    void thresholdMarker_data();
    void thresholdMarker();
    void fieldBar_data();
    void fieldBar();
    void alignmentMarker_data();
    void alignmentMarker();
    void alignmentZones();

private:
    ProgramFixture* program = nullptr;
};

void tst_Scales::thresholdGeometry()
{
    // Marker tops for positions 0..15; a drag reads the position back from the top.
    const int tops[16] = {77, 72, 68, 63, 58, 53, 48, 44, 39, 34, 29, 24, 19, 15, 10, 5};
    for (int p = 0; p < 16; ++p) {
        const TRect r = fmMain->PM->getKoorPorogMarker(std::uint8_t(p));
        QCOMPARE(r.Top, tops[p]);
        QCOMPARE(r.Bottom, tops[p] + 5);
        QCOMPARE(r.Right, 162);
        QCOMPARE(15 - fmMain->PM->getPosPorogReal(r), p);
    }
    // Out of the unit's range: held at the ends, never wrapped.
    QCOMPARE(fmMain->PM->getKoorPorogMarker(200).Top, 5);
    QCOMPARE(fmMain->PM->getPosPorogReal(TRect{0, 0, 162, 5}), 0);
    QCOMPARE(fmMain->PM->getPosPorogReal(TRect{0, 84, 162, 89}), 15);

    fmMain->PM->areaMarker = fmMain->PM->getKoorPorogMarker(7);
    QVERIFY(fmMain->PM->inAreaMarker(0, 44));
    QVERIFY(fmMain->PM->inAreaMarker(161, 48));
    QVERIFY(!fmMain->PM->inAreaMarker(162, 46));
    QVERIFY(!fmMain->PM->inAreaMarker(10, 49));
    QVERIFY(!fmMain->PM->inAreaMarker(10, 43));
}

void tst_Scales::thresholdMarker_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("top");
    QTest::newRow("15: under the upper shelf") << 15 << 5;
    QTest::newRow("0: over the lower shelf") << 0 << 77;
}

void tst_Scales::thresholdMarker()
{
    QFETCH(int, position);
    QFETCH(int, top);
    fmMain->PM->brColorMarker = kMarker;
    fmMain->PM->areaMarker = fmMain->PM->getKoorPorogMarker(std::uint8_t(position));
    const QImage img = paint(fmMain->pbPorogMarker);

    // A black frame rows top..top+4 the full width, red inside.
    for (int x : {0, 80, 161}) {
        QCOMPARE(at(img, x, top), QColor(Qt::black));
        QCOMPARE(at(img, x, top + 4), QColor(Qt::black));
    }
    for (int y = top + 1; y <= top + 3; ++y)
        QCOMPARE(at(img, 80, y), kMarker);
    QCOMPARE(at(img, 1, top + 2), kMarker);
    QVERIFY(at(img, 80, top - 1) != kMarker && at(img, 80, top - 1) != QColor(Qt::black));
    QVERIFY(at(img, 80, top + 5) != kMarker && at(img, 80, top + 5) != QColor(Qt::black));

    // The shelves: 44 x 5 frames with silver inside; the marker at 0 is drawn over the lower one.
    QCOMPARE(at(img, 43, 0), QColor(Qt::black));
    QCOMPARE(at(img, 20, 2), clSilver);
    QCOMPARE(at(img, 44, 2).alpha(), 0);
    QCOMPARE(at(img, 20, 84), QColor(Qt::black));
    QCOMPARE(at(img, 20, 82), clSilver);
    QCOMPARE(at(img, 20, 80), position == 0 ? kMarker : QColor(Qt::black));
}

void tst_Scales::fieldBar_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("firstFilledRow");  // 154: nothing filled
    QTest::newRow("0: no bar") << 0 << 154;
    QTest::newRow("1: bottom row") << 1 << 153;
    QTest::newRow("77: half") << 77 << 77;
    QTest::newRow("154: full") << 154 << 0;
    QTest::newRow("200: held full") << 200 << 0;
}

void tst_Scales::fieldBar()
{
    QFETCH(int, value);
    QFETCH(int, firstFilledRow);
    fmMain->PH->brColorAllHyst = kBack;
    fmMain->PH->brColorPoleHyst = kFill;
    fmMain->PH->areaPoleHyst.Top = fmMain->PH->getTopPoleHyst(std::uint8_t(value));
    const QImage img = paint(fmMain->pbPoleHyst);
    for (int y = 0; y < 154; ++y)
        for (int x : {0, 44, 88})
            QCOMPARE(at(img, x, y), y >= firstFilledRow ? kFill : kBack);
}

void tst_Scales::alignmentMarker_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("top");
    QTest::newRow("153: top rows") << 153 << 0;
    QTest::newRow("0: bottom rows") << 0 << 153;
    QTest::newRow("200: held at the top") << 200 << 0;
}

void tst_Scales::alignmentMarker()
{
    QFETCH(int, position);
    QFETCH(int, top);
    fmMain->UM->brColorUstMarker = kMarker;
    fmMain->UM->areaUstMarker = fmMain->UM->getKoorUstMarker(std::uint8_t(position));
    const QImage img = paint(fmMain->pbUstHystMarker);
    QCOMPARE(img.height(), 157);
    QCOMPARE(at(img, 20, top), QColor(Qt::black));
    QCOMPARE(at(img, 20, top + 1), kMarker);
    QCOMPARE(at(img, 20, top + 2), kMarker);
    QCOMPARE(at(img, 20, top + 3), QColor(Qt::black));
    QCOMPARE(at(img, 44, top + 3), QColor(Qt::black));
    if (top > 0)
        QVERIFY(at(img, 20, top - 1) != QColor(Qt::black));
    if (top + 4 < 157)
        QVERIFY(at(img, 20, top + 4) != QColor(Qt::black));
}

void tst_Scales::alignmentZones()
{
    fmMain->UH->brColorUstHystVerh = kMarker;
    fmMain->UH->brColorUstHystMiddle = kFill;
    fmMain->UH->brColorUstHystNiz = kLow;
    const QImage img = paint(fmMain->pbUstHyst);
    const struct { int row; QColor colour; } rows[] = {
        {0, kMarker}, {20, kMarker}, {21, kFill}, {123, kFill}, {124, kLow}, {156, kLow}};
    for (const auto& r : rows) {
        QCOMPARE(at(img, 0, r.row), r.colour);
        QCOMPARE(at(img, 32, r.row), r.colour);
    }
    // Marker centres on the zone boundaries.
    QCOMPARE(int(fmMain->UM->getPosUstMarker(31)), 124);
    QCOMPARE(int(fmMain->UM->getPosUstMarker(32)), 123);
    QCOMPARE(int(fmMain->UM->getPosUstMarker(135)), 20);
}

QTEST_MAIN(tst_Scales)
#include "tst_scales.moc"
