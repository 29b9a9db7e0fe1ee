// The exchange capture's file format: what is written reads back the same, and a file that is
// not a capture is refused with the line that shows it.
#include "serial/CaptureFormat.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_CaptureFormat : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void badLines_data();
    void badLines();
    void badFiles_data();
    void badFiles();
    void captureCutShort();
};

void tst_CaptureFormat::roundTrip_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("request");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("request") << qint64(0) << 4800 << true << QByteArray("$0064A4\r");
    QTest::newRow("reply") << qint64(31) << 4800 << false << QByteArray("!66076D\r");
    QTest::newRow("any byte, hours in") << qint64(3 * 3600 * 1000 + 7) << 115200 << false
                                        << QByteArray("\x00\xff\n\r #", 6);
}

void tst_CaptureFormat::roundTrip()
{
    QFETCH(qint64, ms);
    QFETCH(int, baud);
    QFETCH(bool, request);
    QFETCH(QByteArray, bytes);
    const QByteArray line = formatCaptureRecord({ms, baud, request, bytes});
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    CaptureRecord back;
    QString why;
    QCOMPARE(parseCaptureLine(line.chopped(1), &back, &why), CaptureLine::Record);
    QCOMPARE(back.ms, ms);
    QCOMPARE(back.baud, baud);
    QCOMPARE(back.request, request);
    QCOMPARE(back.bytes, bytes);
}

void tst_CaptureFormat::badLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("ms");  // of a record
    QTest::newRow("comment") << QByteArray("# started 2026-12-10T14:05:03") << int(CaptureLine::Skip) << qint64(-1);
    QTest::newRow("blank") << QByteArray("   ") << int(CaptureLine::Skip) << qint64(-1);
    QTest::newRow("fewer decimals, by hand") << QByteArray("12.5 4800 > 24") << int(CaptureLine::Record) << qint64(12500);
    QTest::newRow("whole seconds") << QByteArray(" 7\t4800  <  24\r") << int(CaptureLine::Record) << qint64(7000);
    QTest::newRow("too few fields") << QByteArray("0.000 4800 >") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time not a number") << QByteArray("abc 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("negative time") << QByteArray("-1 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time nan") << QByteArray("nan 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time inf") << QByteArray("inf 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time with exponent") << QByteArray("1e3 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time below a ms") << QByteArray("0.0001 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("time without decimals") << QByteArray("2. 4800 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("speed zero") << QByteArray("0.1 0 > 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("unknown direction") << QByteArray("0.1 4800 = 24") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("odd hex") << QByteArray("0.1 4800 < 243") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("not hex") << QByteArray("0.1 4800 < 24ZZ") << int(CaptureLine::Bad) << qint64(-1);
    QTest::newRow("binary garbage") << QByteArray("\x01\x02\xff\xfe", 4) << int(CaptureLine::Bad) << qint64(-1);
}

void tst_CaptureFormat::badLines()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(qint64, ms);
    CaptureRecord r;
    QString why;
    QCOMPARE(int(parseCaptureLine(line, &r, &why)), kind);
    QCOMPARE(why.isEmpty(), kind != int(CaptureLine::Bad));
    if (kind == int(CaptureLine::Record))
        QCOMPARE(r.ms, ms);
}

void tst_CaptureFormat::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: no file at all
    QTest::addColumn<QString>("message");
    const QByteArray header = captureHeader(QDateTime::currentDateTime());
    QTest::newRow("missing") << QByteArray() << QStringLiteral("no such file");
    QTest::newRow("not a capture") << QByteArray("[INTERF]\nTOP=1\n") << QStringLiteral("not an exchange capture");
    QTest::newRow("bad third line") << header + "0.000 4800 > 24\nrubbish\n" << QStringLiteral(":4: expected");
}

void tst_CaptureFormat::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.dcap"));
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QList<CaptureRecord> records;
    QString error;
    QVERIFY(!readCapture(path, &records, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!readCapture(dir.path(), &records, &error));  // a folder
}

void tst_CaptureFormat::captureCutShort()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.dcap"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(captureHeader(QDateTime::currentDateTime()) + formatCaptureRecord({0, 4800, true, "$0064A4\r"})
            + "0.031 4800 < 2136360");
    f.close();
    QList<CaptureRecord> records;
    QString error;
    QVERIFY2(readCapture(path, &records, &error), qPrintable(error));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().bytes, QByteArray("$0064A4\r"));
}

QTEST_GUILESS_MAIN(tst_CaptureFormat)
#include "tst_captureformat.moc"
