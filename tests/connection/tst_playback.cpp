// Playing a capture into the exchange: the replies reach the receive path at the recorded
// pace, ten times as fast, or at once, on a virtual clock so that no load can change the verdict.
#include "connection/PlaybackLine.h"
#include "RecordingView.h"
#include "VirtualTime.h"
#include "connection/DetectorLink.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "serial/CaptureFormat.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
VirtualTime* virtualTime = nullptr;

QByteArray bytes(const std::vector<Byte>& frame) { return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size())); }

// A receiver asked for its identity, answering 30 ms after each request; one request every
// 500 ms, and a gap of 60 s after the third exchange.
QByteArray capture()
{
    QByteArray text = captureHeader(QDateTime(QDate(2026, 12, 10), QTime(14, 5)));
    const QByteArray request = bytes(frame::encode(frame::kRequestStart, {0, COM_CF_REQID.CodCom, 0}));
    const QByteArray reply = bytes(frame::encode(frame::kReplyOk, {COM_CF_REQID.CodCom, 21, 0}));
    qint64 ms = 0;
    for (int i = 0; i < 6; ++i) {
        text += formatCaptureRecord({ms, 4800, true, request});
        // Split, as a port hands a reply over.
        text += formatCaptureRecord({ms + 20, 4800, false, reply.left(4)});
        text += formatCaptureRecord({ms + 30, 4800, false, reply.mid(4)});
        ms += 500;
        if (i == 2) {
            text += formatCaptureGap(ms - 470, ms + 60000);
            ms += 60000;
        }
    }
    return text;
}
}  // namespace

class tst_Playback : public QObject {
    Q_OBJECT
private slots:
    void pace_data();
    void pace();
};

void tst_Playback::pace_data()
{
    QTest::addColumn<int>("pace");
    QTest::addColumn<QList<qint64>>("acceptedAt");
    // The gap is not waited through: two seconds of it are shown, at the pace.
    QTest::newRow("as recorded") << 1 << QList<qint64>{30, 530, 1030, 3060, 3560, 4060};
    QTest::newRow("ten times") << 10 << QList<qint64>{3, 53, 103, 306, 356, 406};
    QTest::newRow("fastest") << 0 << QList<qint64>{0, 0, 0, 0, 0, 0};
}

void tst_Playback::pace()
{
    QFETCH(int, pace);
    QFETCH(QList<qint64>, acceptedAt);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pace.dcap"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(capture());
    file.close();

    QVERIFY(virtualTime->rewind());
    const qint64 start = virtualTime->now();
    RecordingView view;
    DetectorLink link(&view);
    link.setPlayback(true);
    link.dispatcher.Init();
    link.dispatcher.FlagScanPorts = true;
    PlaybackLine line(&link);
    line.setClock([] { return virtualTime->now(); });
    line.setPace(pace);
    QString error;
    QVERIFY2(line.open(path, &error), qPrintable(error));
    QList<qint64> accepted;
    connect(&link, &DetectorLink::replyAccepted, [&] { accepted << virtualTime->now() - start; });
    QSignalSpy gaps(&line, &PlaybackLine::gap);
    QSignalSpy finished(&line, &PlaybackLine::finished);
    QSignalSpy missed(&link, &DetectorLink::replyTimeout);
    line.start();
    for (int i = 0; i < 10000 && finished.isEmpty(); ++i)
        QVERIFY(virtualTime->fireNext(virtualTime->now() + 3'600'000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(accepted, acceptedAt);
    QCOMPARE(gaps.size(), 1);
    QCOMPARE(missed.size(), 0);
    // Nothing was written anywhere: the link never had a port.
    QVERIFY(!link.COMP->Connected());
    QCOMPARE(view.state.FIdent, TIdent(21));
}

int main(int argc, char** argv)
{
    virtualTime = VirtualTime::install();
    QCoreApplication app(argc, argv);
    tst_Playback test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playback.moc"
