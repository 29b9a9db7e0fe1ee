// The session record: what it keeps, what it sums up, how it thins the past, and the trace and
// CSV file made from it.
#include "protocol/DetectorUnits.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendTrace.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// Field values in the units of the wire: rest around 20, threshold 5 (1.5 V = 77 on the field
// scale, so 78 and above is a crossing).
constexpr TPosPorog THRESHOLD = 5;

SessionSample duty(std::uint32_t ms, int field, bool alarm = false)
{
    SessionSample s;
    s.ms = ms;
    s.field = TValPole(field);
    s.threshold = THRESHOLD;
    s.mode = dej;
    s.letter = 3;
    s.address = 7;
    s.flags = SessionSample::FieldKnown | SessionSample::SignalKnown;
    if (alarm)
        s.flags |= SessionSample::Alarm;
    return s;
}

SessionSample aligning(std::uint32_t ms, int signal)
{
    SessionSample s;
    s.ms = ms;
    s.signal = TPosUstMarker(signal);
    s.mode = ust;
    s.flags = SessionSample::SignalKnown;
    return s;
}

void feed(SessionRecord& record, const QList<int>& fields, std::uint32_t stepMs = 10, std::uint32_t fromMs = 0)
{
    for (int i = 0; i < fields.size(); ++i)
        record.add(duty(fromMs + std::uint32_t(i) * stepMs, fields[i]));
}
}  // namespace

class tst_SessionRecord : public QObject {
    Q_OBJECT
private slots:
    void dutySummary_data();
    void dutySummary();
    void gapEndsACrossingAndTheTrace();
    void maxHoldRestartsWithAlignment();
    void pastAnHourIsThinnedKeepingPeaksAndAlarms();
    void traceIsBoundedByColumns();
    void csvHasOneRowPerSample();
    void csvRefusesWhatIsNotAFile();
};

void tst_SessionRecord::dutySummary_data()
{
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<int>("rest");
    QTest::addColumn<int>("peak");
    QTest::addColumn<int>("crossings");
    QTest::addColumn<double>("smallestMargin");  // volts, when crossings > 0

    QTest::newRow("nobody in the zone") << QList<int>{20, 21, 19, 20, 22} << 20 << 22 << 0 << 0.0;
    // 77 is the threshold itself: not above it.
    QTest::newRow("touching is not crossing") << QList<int>{20, 77, 20} << 20 << 77 << 0 << 0.0;
    QTest::newRow("two crossings, smallest margin from the lower")
        << QList<int>{20, 20, 90, 120, 90, 20, 20, 20, 80, 20, 20} << 20 << 120 << 2 << (80 * 3.0 / 154 - 1.5);
    QTest::newRow("a crossing still under way counts")
        << QList<int>{20, 20, 20, 100, 110} << 20 << 110 << 1 << (110 * 3.0 / 154 - 1.5);
    QTest::newRow("beyond the scale is read at its end")
        << QList<int>{20, 20, 200, 20} << 20 << 200 << 1 << (3.0 - 1.5);
}

void tst_SessionRecord::dutySummary()
{
    QFETCH(QList<int>, fields);
    QFETCH(int, rest);
    QFETCH(int, peak);
    QFETCH(int, crossings);
    QFETCH(double, smallestMargin);

    SessionRecord record;
    feed(record, fields);
    // The running totals and a pass over the samples agree.
    std::vector<Crossing> found;
    const DutySummary span = record.dutySince(0, &found);
    for (const DutySummary& s : {record.dutySession(), span}) {
        QCOMPARE(int(s.rest), rest);
        QCOMPARE(int(s.peak), peak);
        QCOMPARE(int(s.crossings), crossings);
        if (crossings > 0)
            QVERIFY(qAbs(s.smallestMarginVolts - smallestMargin) < 1e-9);
    }
    QCOMPARE(int(found.size()), crossings);
    QVERIFY(qAbs(span.peakMarginVolts() - (poleVolts(TValPole(peak)) - 1.5)) < 1e-9);
}

void tst_SessionRecord::gapEndsACrossingAndTheTrace()
{
    SessionRecord record;
    feed(record, {20, 100, 110});
    record.markGap();
    feed(record, {105, 20, 20}, 10, 1000);

    const DutySummary s = record.dutySession();
    QCOMPARE(int(s.crossings), 2);  // the field never came down, but the link went
    QVERIFY(record.at(0).afterGap());  // the session's start
    QVERIFY(!record.at(1).afterGap());
    QVERIFY(record.at(3).afterGap());

    const TrendTrace trace = traceOf(record, TrendKind::Duty, 0, 2000, 100, 3.0);
    QCOMPARE(int(trace.stretches.size()), 2);
    const double origin = double(record.startedAt().toMSecsSinceEpoch());
    QCOMPARE(trace.stretches[0].last().x(), origin + 20);
    QCOMPARE(trace.stretches[1].first().x(), origin + 1000);
    // The threshold is drawn on across the gap: the unit kept it.
    QCOMPARE(trace.threshold.first().y(), 1.5);
    QCOMPARE(trace.threshold.last().y(), 1.5);
}

void tst_SessionRecord::maxHoldRestartsWithAlignment()
{
    SessionRecord record;
    record.add(aligning(0, 60));
    record.add(aligning(10, 140));
    record.add(aligning(20, 90));
    QCOMPARE(int(record.alignment().max), 140);
    QCOMPARE(record.alignment().maxMs, 10u);
    QCOMPARE(int(record.alignment().last), 90);

    // Back to duty and into alignment again: a new turn of the unit, a new maximum.
    record.add(duty(30, 20));
    record.add(aligning(40, 50));
    record.add(aligning(50, 70));
    QCOMPARE(int(record.alignment().max), 70);
    QCOMPARE(record.alignment().maxMs, 50u);
    QVERIFY(record.alignedThisSession());
}

void tst_SessionRecord::pastAnHourIsThinnedKeepingPeaksAndAlarms()
{
    SessionRecord record;
    // 90 minutes at 100 polls a second; a crossing (peak 130) with an alarm at 10 min.
    const std::uint32_t end = 90 * 60 * 1000;
    const std::uint32_t peakAt = 10 * 60 * 1000 + 30;
    for (std::uint32_t ms = 0; ms < end; ms += 10) {
        const bool crossing = ms >= peakAt - 30 && ms <= peakAt + 30;
        record.add(duty(ms, ms == peakAt ? 130 : crossing ? 100 : 20, crossing));
    }
    const std::uint32_t wholeFrom = end - 10 - SessionRecord::WHOLE_MS;
    // The whole hour (both ends included), and one sample per step before it.
    const std::size_t thinned = record.firstFrom(wholeFrom);
    QCOMPARE(thinned, std::size_t(wholeFrom / SessionRecord::THINNED_STEP_MS + 1));
    QCOMPARE(record.size() - thinned, std::size_t(SessionRecord::WHOLE_MS / 10 + 1));

    // The thinned step holding the peak kept it, and the alarm of the polls it stands for.
    const SessionSample& kept = record.at(record.firstFrom(peakAt - peakAt % SessionRecord::THINNED_STEP_MS));
    QCOMPARE(int(kept.field), 130);
    QVERIFY(kept.alarm());
    const DutySummary session = record.dutySession();
    QCOMPARE(int(session.peak), 130);
    QCOMPARE(int(session.crossings), 1);
    QCOMPARE(int(session.rest), 20);
    QCOMPARE(int(record.dutySince(0).crossings), 1);
    for (std::size_t i = 1; i < record.size(); ++i)
        QVERIFY(record.at(i - 1).ms <= record.at(i).ms);
}

void tst_SessionRecord::traceIsBoundedByColumns()
{
    SessionRecord record;
    QList<int> fields;
    for (int i = 0; i < 30000; ++i)
        fields << 20 + (i * 7919) % 100;  // a noisy field, every value many times per column
    feed(record, fields, 1);
    const int columns = 300;
    const TrendTrace trace = traceOf(record, TrendKind::Duty, 0, 30000, columns, 3.0);
    QCOMPARE(int(trace.stretches.size()), 1);
    QVERIFY(trace.stretches[0].size() <= 2 * (columns + 1));
    double low = 10, high = 0;
    for (const QPointF& p : trace.stretches[0]) {
        low = qMin(low, p.y());
        high = qMax(high, p.y());
    }
    // Every column's extremes survive: the drawn band is the band the field covered.
    QCOMPARE(low, poleVolts(20));
    QCOMPARE(high, poleVolts(119));
    for (int i = 1; i < trace.stretches[0].size(); ++i)
        QVERIFY(trace.stretches[0][i - 1].x() <= trace.stretches[0][i].x());
}

void tst_SessionRecord::csvHasOneRowPerSample()
{
    // Each row carries the unit, and a value only where the reply behind the row carried it:
    // the field polled a moment ago is not measured again when the alarm bit comes in.
    SessionRecord record;
    SessionUnit unit;
    unit.known = true;
    unit.ident = 100;
    unit.firmware = {1, 2};
    unit.address = 7;
    record.setUnit(unit);
    SessionSample field = duty(0, 100);
    field.measured = ValueField;
    record.add(field);
    SessionSample relay = duty(20, 100, true);
    relay.state = BIT_TR_MASKA | BIT_KR_MASKA;
    relay.range = 2;
    relay.measured = ValueAlarm | ValueState;
    record.add(relay);
    SessionSample settings = duty(22, 100);
    settings.measured = ValueThreshold | ValueMode | ValueLetter | ValueRange | ValueSignal;
    record.add(settings);
    SessionSample tx;
    tx.ms = 30;
    tx.flags = SessionSample::Transmitter;
    tx.letter = 8;
    tx.measured = ValueLetter | ValueField;
    record.add(tx);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.csv"));
    QString error;
    QVERIFY2(writeSessionCsv(record, path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 4 + 1);  // header, rows, and the empty tail after the last newline
    QCOMPARE(lines[0],
             QByteArray("time,unit,model,firmware,address,mode,field,threshold,signal,alarm,relay,supply,lid,letter,range"));
    const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    QVERIFY(time.match(QString::fromLatin1(lines[1].split(',')[0])).hasMatch());
    const auto after = [&](int i) { return lines[i].mid(lines[i].indexOf(',') + 1); };
    QCOMPARE(after(1), QByteArray("receiver,100,1.2,7,,1.95,,,,,,,,"));
    QCOMPARE(after(2), QByteArray("receiver,100,1.2,7,,,,,1,1,0,1,,"));
    QCOMPARE(after(3), QByteArray("receiver,100,1.2,7,0,,1.50,0.00,,,,,3,0"));
    // A transmitter has no field to report, whatever the row says it carried.
    QCOMPARE(after(4), QByteArray("receiver,100,1.2,0,,,,,,,,,8,"));
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(lines[i].count(','), 14);
}

void tst_SessionRecord::csvRefusesWhatIsNotAFile()
{
    SessionRecord record;
    feed(record, {20});
    QTemporaryDir dir;
    QString error;
    QVERIFY(!writeSessionCsv(record, dir.path(), &error));
    QVERIFY(error.contains(dir.path()));
    QVERIFY(QFileInfo(dir.path()).isDir());

    QVERIFY(!writeSessionCsv(record, dir.filePath(QStringLiteral("no such folder/session.csv")), &error));
    QVERIFY(error.contains(QStringLiteral("no such folder")));
}

QTEST_GUILESS_MAIN(tst_SessionRecord)
#include "tst_sessionrecord.moc"
