// The exchange capture as written: what was kept from before it ends on a whole reply, the jump
// to the live part is marked, every start is a file of its own, and a capture stops at its
// largest size saying so.
#include "connection/ExchangeCapture.h"
#include "connection/texts.h"
#include "serial/CaptureReader.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray QUERY("$0064A4\r");
const QByteArray REPLY("!66076D\r");

CaptureRecord sent(qint64 ms) { return {ms, 4800, true, QUERY}; }
CaptureRecord got(qint64 ms, const QByteArray& bytes) { return {ms, 4800, false, bytes}; }

// The file, an item a line: "ms > bytes", "ms < bytes" or "gap from to"; a CR shows as '|'.
QStringList items(const QString& path)
{
    QStringList out;
    CaptureReader reader;
    if (!reader.open(path))
        return {reader.errorString()};
    for (;;) {
        switch (reader.next()) {
        case CaptureReader::Record: {
            const CaptureRecord& r = reader.record();
            out << QStringLiteral("%1 %2 %3").arg(r.ms).arg(r.request ? '>' : '<')
                       .arg(QString::fromLatin1(r.bytes).replace('\r', '|'));
            break;
        }
        case CaptureReader::Gap: out << QStringLiteral("gap %1 %2").arg(reader.gapFromMs()).arg(reader.gapToMs()); break;
        case CaptureReader::End: return out;
        case CaptureReader::Error: return out << reader.errorString();
        }
    }
}

// One poll of the live part, answered.
void poll(ExchangeCapture& capture, qint64 ms)
{
    capture.record(sent(ms));
    capture.record(got(ms + 31, REPLY));
}

}  // namespace

class tst_ExchangeCapture : public QObject {
    Q_OBJECT
private slots:
    void startedMidReply_data();
    void startedMidReply();
    void stoppedAndStartedTwice();
    void stopsAtItsLargestSize();
};

void tst_ExchangeCapture::startedMidReply_data()
{
    // Kept from the search: a poll answered, then the next request and what had come of its
    // reply when the keeping stopped. The capture starts 344 s later, inside another reply.
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<bool>("keptToNow");  // nothing was left out between the two
    QTest::addColumn<QStringList>("before");  // what the file holds before the next poll
    const QStringList answered{"0 > $0064A4|", "31 < !66076D|"};
    QTest::newRow("reply cut mid-way") << QByteArrayList{"!6", "6B0"} << false << answered + QStringList{"gap 31 345766"};
    QTest::newRow("a whole reply and the next begun")
        << QByteArrayList{"!66076D\r!6"} << false
        << answered + QStringList{"1100 > $0064A4|", "1150 < !66076D|", "gap 1150 345766"};
    QTest::newRow("a whole reply in pieces")
        << QByteArrayList{"!6607", "6D\r"} << false
        << answered + QStringList{"1100 > $0064A4|", "1150 < !6607", "1167 < 6D|", "gap 1167 345766"};
    QTest::newRow("kept without a break up to the start")
        << QByteArrayList{"!6", "6B0"} << true
        << answered + QStringList{"1100 > $0064A4|", "1150 < !6", "1167 < 6B0", "345770 < 7D|"};
}

void tst_ExchangeCapture::startedMidReply()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, keptToNow);
    QFETCH(QStringList, before);
    QList<CaptureRecord> kept{sent(0), got(31, REPLY), sent(1100)};
    for (int i = 0; i < pieces.size(); ++i)
        kept << got(1150 + 17 * i, pieces[i]);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mid.dcap"));
    ExchangeCapture capture;
    QString error;
    QVERIFY2(capture.open(path, kept, 345766, &error, keptToNow), qPrintable(error));
    capture.record(got(345770, "7D\r"));  // the end of a reply
    poll(capture, 345800);
    capture.close();
    const QStringList live{"345800 > $0064A4|", "345831 < !66076D|"};
    QCOMPARE(items(path), before + live);
}

void tst_ExchangeCapture::stoppedAndStartedTwice()
{
    // Each start asks for a file: a file holds the search and one stretch of polling, never
    // what went on while nothing was recorded, nor an earlier stretch written to the same name.
    const QList<CaptureRecord> before{sent(0), got(31, REPLY)};
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.dcap"));
    const QString b = dir.filePath(QStringLiteral("b.dcap"));
    ExchangeCapture capture;
    QString error;
    QVERIFY2(capture.open(a, before, 10000, &error), qPrintable(error));
    poll(capture, 10010);
    capture.close();
    poll(capture, 15000);
    QVERIFY2(capture.open(b, before, 20000, &error), qPrintable(error));
    poll(capture, 20010);
    capture.close();
    QVERIFY2(capture.open(a, before, 30000, &error), qPrintable(error));
    poll(capture, 30010);
    capture.close();
    poll(capture, 35000);
    const QStringList search{"0 > $0064A4|", "31 < !66076D|"};
    const QStringList second{"gap 31 20000", "20010 > $0064A4|", "20041 < !66076D|"};
    const QStringList third{"gap 31 30000", "30010 > $0064A4|", "30041 < !66076D|"};
    QCOMPARE(items(b), search + second);
    QCOMPARE(items(a), search + third);
}

void tst_ExchangeCapture::stopsAtItsLargestSize()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.dcap"));
    ExchangeCapture capture;
    capture.setMaxBytes(1024 * 1024);
    QSignalSpy failed(&capture, &ExchangeCapture::failed);
    QString error;
    QVERIFY2(capture.open(path, {}, 0, &error), qPrintable(error));
    for (int i = 0; i < 100000 && capture.isOpen(); ++i)
        poll(capture, 100 * qint64(i));
    QVERIFY(!capture.isOpen());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toString(), QString::fromUtf8(CAPTURE_FULL_TEXT).arg(path).arg(1));
    const qint64 size = QFileInfo(path).size();
    QVERIFY(size <= 1024 * 1024 && size > 1000 * 1000);
    // Whole lines only, every one of them readable.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith('\n'));
    QVERIFY(!items(path).last().contains(path));
    poll(capture, 20000000);
    QCOMPARE(QFileInfo(path).size(), size);
    QCOMPARE(failed.size(), 1);
}

QTEST_GUILESS_MAIN(tst_ExchangeCapture)
#include "tst_exchangecapture.moc"
