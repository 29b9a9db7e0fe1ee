// A port whose other end never stops talking (a GPS receiver, a device at the wrong speed):
// the program reports the faulty replies once and its memory stays flat, however long the
// box stays open.
#include "LiveHeap.h"
#include "ProgramFixture.h"
#include "PseudoTerminal.h"
#include "connection/texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <thread>

class tst_Streaming : public QObject {
    Q_OBJECT
private slots:
    void randomStreamWithTheErrorBoxOpen();
};

void tst_Streaming::randomStreamWithTheErrorBoxOpen()
{
    const int boxOpenMs = qEnvironmentVariableIsSet("DORVIK_STREAM_SECONDS")
                              ? qEnvironmentVariableIntValue("DORVIK_STREAM_SECONDS") * 1000
                              : 20000;
    PseudoTerminal pty;
    QVERIFY(pty.isOpen());
    std::atomic<bool> streaming{true};
    std::atomic<qint64> sent{0};
    std::thread feeder([&] {
        QRandomGenerator random(2024);
        QByteArray chunk(4096, 0);
        while (streaming) {
            for (char& c : chunk)
                c = char(random.bounded(256));
            pty.write(chunk);
            sent += chunk.size();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    ProgramFixture program({pty.slavePath()});
    QString boxText;
    long heapEarly = 0, heapLate = 0;
    int boxes = 0;
    QTimer watcher;
    QElapsedTimer openFor;
    connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!openFor.isValid()) {
            ++boxes;
            boxText = box->text();
            openFor.start();
        }
        if (heapEarly == 0 && openFor.elapsed() > 2000)
            heapEarly = liveHeapKb();
        if (openFor.elapsed() > boxOpenMs) {
            heapLate = liveHeapKb();
            box->accept();
        }
    });
    watcher.start(100);
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(heapLate > 0, boxOpenMs + 60000);
    const qint64 sentWhileOpen = sent;
    streaming = false;
    feeder.join();

    qInfo("stream: %lld bytes offered, live heap %ld -> %ld kB with the box open", qint64(sentWhileOpen),
          heapEarly, heapLate);
    QCOMPARE(boxes, 1);
    QVERIFY(boxText.startsWith(QString::fromUtf8(RECEIVE_ERROR)));
    // A readable excerpt of the bad bytes, not a dump wider than the screen.
    QVERIFY2(boxText.size() < 300, qPrintable(QString::number(boxText.size())));
    QVERIFY2(heapLate - heapEarly < 512, qPrintable(QStringLiteral("%1 -> %2").arg(heapEarly).arg(heapLate)));
}

QTEST_MAIN(tst_Streaming)
#include "tst_streaming.moc"
