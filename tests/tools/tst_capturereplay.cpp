// Captures as support receives them, played back: each odd one either plays soundly or is
// refused with a message naming what is wrong, before any port opens.
#include "CaptureReplay.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QByteArray A("$0064A4\r");
const QByteArray B("$0070B0\r");
const QByteArray RA("!66076D\r");
const QByteArray RB("!70080F\r");

QByteArray line(qint64 ms, bool request, const QByteArray& bytes)
{
    return formatCaptureRecord({ms, 4800, request, bytes});
}

QByteArray header() { return captureHeader(QDateTime::currentDateTime()); }

}  // namespace

class tst_CaptureReplay : public QObject {
    Q_OBJECT
private slots:
    void oddCaptures_data();
    void oddCaptures();
};

void tst_CaptureReplay::oddCaptures_data()
{
    QTest::addColumn<QByteArray>("content");   // null: no file at all
    QTest::addColumn<QString>("error");        // empty: the capture plays
    QTest::addColumn<QByteArrayList>("asked");  // requests, in turn, each answered ...
    QTest::addColumn<QByteArrayList>("replies");  // ... with these bytes (empty: in silence)

    QTest::newRow("reply long after its request")
        << header() + line(0, true, A) + line(3000000000, false, RA) + line(3000000100, true, B)
               + line(3000000131, false, RB)
        << QString() << QByteArrayList{A, B} << QByteArrayList{"", RB};
    QTest::newRow("one record without a line end")
        << header() + line(0, true, A).chopped(1) << QString() << QByteArrayList{A} << QByteArrayList{""};
    QTest::newRow("last line cut mid-way")
        << header() + line(0, true, A) + line(31, false, RA) + "0.200 4800 > 24303"
        << QString() << QByteArrayList{A} << QByteArrayList{RA};
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + header() + line(0, true, A) + line(31, false, RA)
                                     << QString() << QByteArrayList{A} << QByteArrayList{RA};
    // Written before captures were cut on a whole reply: the live part joined on inside one.
    QTest::newRow("gap inside a reply")
        << header() + line(0, true, A) + line(167, false, "!6B0") + formatCaptureGap(167, 345766)
               + line(345770, false, "7D\r") + line(345800, true, B) + line(345831, false, RB)
        << QString() << QByteArrayList{A, B} << QByteArrayList{"!6B0", RB};
    QTest::newRow("a comment that begins like a gap")
        << header() + "# gap in the fence\n" + line(0, true, A) + line(31, false, RA)
        << QString() << QByteArrayList{A} << QByteArrayList{RA};

    QTest::newRow("missing") << QByteArray() << QStringLiteral("capture.dcap: no such file")
                             << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("not a capture") << QByteArray("[INTERF]\nTOP=1\n")
                                   << QStringLiteral("capture.dcap: not an exchange capture (its first line is not "
                                                     "\"# dorvik exchange capture 1\")")
                                   << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("a bad line") << header() + line(0, true, A) + "0.010 x < 21\n"
                                << QStringLiteral("capture.dcap:4: bad speed") << QByteArrayList{}
                                << QByteArrayList{};
    QTest::newRow("a line longer than any record")
        << header() + line(0, true, A) + "0.010 4800 < " + QByteArray(70000, '0') + '\n'
        << QStringLiteral("capture.dcap:4: longer than 65536 bytes") << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("no request") << header() + line(0, false, RA)
                                << QStringLiteral("capture.dcap: the capture holds no request")
                                << QByteArrayList{} << QByteArrayList{};
}

void tst_CaptureReplay::oddCaptures()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(QByteArrayList, asked);
    QFETCH(QByteArrayList, replies);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.dcap"));
    if (!content.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    CaptureReplay* loaded = nullptr;
    QString message;
    const bool plays = CaptureReplay::load(path, &loaded, &message);
    std::unique_ptr<CaptureReplay> replay(loaded);
    if (!error.isEmpty()) {
        QVERIFY(!plays);
        QVERIFY2(message.endsWith(error), qPrintable(message));
        return;
    }
    QVERIFY2(plays, qPrintable(message));
    for (int i = 0; i < asked.size(); ++i) {
        QList<CaptureReplay::Piece> pieces;
        QVERIFY(!replay->atEnd());
        QVERIFY(replay->answer(asked[i], 4800, &pieces));
        QByteArray bytes;
        for (const CaptureReplay::Piece& p : pieces) {
            // Nothing makes the program wait longer than it waits for any reply.
            QVERIFY(p.first >= 0 && p.first <= CaptureReplay::REPLY_LATE_MS);
            bytes += p.second;
        }
        QCOMPARE(bytes, replies[i]);
    }
    QVERIFY(replay->atEnd());
}

QTEST_GUILESS_MAIN(tst_CaptureReplay)
#include "tst_capturereplay.moc"
