#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "connection/DetectorLink.h"
#include "PseudoTerminal.h"
#include "connection/ReplyTimer.h"
#include "panel/startup.h"
#include "protocol/codec.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

namespace {
QByteArray reply(std::vector<Byte> payload)
{
    const auto f = frame::encode(frame::kReplyOk, payload);
    return QByteArray(reinterpret_cast<const char*>(f.data()), int(f.size()));
}
void feed(const QByteArray& chunk)
{
    fmMain->connection->link->COMPReceiveData(fmMain->connection->COMP, reinterpret_cast<const std::uint8_t*>(chunk.constData()),
                            int(chunk.size()));
}
}  // namespace

class tst_Receive : public QObject {
    Q_OBJECT
private slots:
    void requestsOnTheWire();
    void replyFromSingleByteChunks();
    void oversizedChunkCompletesReply();
    void thirdRejectedReplyShowsTheErrorBox();
    void chatteringDeviceAfterTheThirdError();
};

void tst_Receive::requestsOnTheWire()
{
    ProgramFixture program;
    PseudoTerminal pty;
    fmMain->connection->COMP->SetComPortName(pty.slavePath());
    QVERIFY(fmMain->connection->COMP->Connect());
    DispObmen->proc_cf_req(0, COM_CF_REQSTATE);
    QCOMPARE(pty.read(1000, 8), QByteArray("$000404\r"));
    DispObmen->proc_cf_set(5, COM_CF_SETPOR, 9);
    QCOMPARE(pty.read(1000, 10), QByteArray("$0570097E\r"));
    DispObmen->proc_cf_set(0xC8, COM_CF_SETPOR, 0xF0);  // 0xC8 + 0x70 + 0xF0 wraps to 0x28
    QCOMPARE(pty.read(1000, 10), QByteArray("$C870F028\r"));
    fmMain->connection->tiTimeWaitRepl->setEnabled(false);
    fmMain->connection->COMP->Disconnect();
}

void tst_Receive::replyFromSingleByteChunks()
{
    ProgramFixture program;
    // A fresh dispatcher decodes what it gets and sends nothing.
    DispObmen->proc_cf_req(0, COM_CF_REQPOR);
    QCOMPARE(int(Receiver->WaitByteCount()), 8);
    const QByteArray r = reply({0x66, 0x07});
    for (int i = 0; i < r.size(); ++i) {
        QVERIFY(fmMain->connection->tiTimeWaitRepl->isEnabled());  // restarted by every piece until complete
        QCOMPARE(int(fmMain->Detector.FPosPorog), 15);
        feed(r.mid(i, 1));
    }
    QVERIFY(!fmMain->connection->tiTimeWaitRepl->isEnabled());
    QCOMPARE(int(fmMain->Detector.FPosPorog), 7);
    QCOMPARE(int(DispObmen->CountError()), 0);
}

void tst_Receive::oversizedChunkCompletesReply()
{
    ProgramFixture program;
    DispObmen->proc_cf_req(0, COM_CF_REQSTATE);
    QByteArray chunk = reply({0x04, 0x00, 1, 2, 3}) + reply({0x66, 0x03});
    chunk += QByteArray(300, 'x');
    feed(chunk);
    QCOMPARE(int(DispObmen->CountError()), 0);
    QCOMPARE(int(Receiver->WaitByteCount()), 0);
    QCOMPARE(int(fmMain->Detector.FPosPorog), 15);  // the surplus is never looked at
}

void tst_Receive::thirdRejectedReplyShowsTheErrorBox()
{
    ProgramFixture program;
    DispObmen->Init();
    QString boxText;
    int boxes = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            boxText = box->text();
            box->accept();
        }
    });
    closer.start(20);

    const QByteArray bad = QByteArray("!66076E\r");  // checksum off by one
    DispObmen->proc_cf_req(0, COM_CF_REQPOR);
    feed(bad);
    QCOMPARE(int(DispObmen->CountError()), 1);
    // The retry asks for the series command again, with its reply length.
    QCOMPARE(int(Receiver->WaitByteCount()), int(COM_CF_REQID.RecPackSize));
    feed(reply({0x64, 0x15, 0x00}).replace(0, 1, "?"));
    QCOMPARE(int(DispObmen->CountError()), 2);
    feed(reply({0x64, 0x15, 0x00}));  // a good reply does not reset the count
    QCOMPARE(int(DispObmen->CountError()), 2);
    QCOMPARE(boxes, 0);

    DispObmen->proc_cf_req(0, COM_CF_REQPOR);
    feed(bad.left(5));
    feed(bad.mid(5));
    QCOMPARE(int(DispObmen->CountError()), 3);
    // The box comes from the event loop, not from inside the receive path.
    QCOMPARE(boxes, 0);
    QTRY_COMPARE(boxes, 1);
    QCOMPARE(boxText, QStringLiteral("Ошибка приема. Код:4\n\r54:69:13:\n\r0\n\r3:"));
}

void tst_Receive::chatteringDeviceAfterTheThirdError()
{
    ProgramFixture program;
    DispObmen->Init();
    DispObmen->SetCountError(2);
    int boxes = 0, chunksDuringBox = 0;
    QTimer chatter;
    connect(&chatter, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        // The device keeps talking while the box is open: no second box, no growth.
        for (int i = 0; i < 200; ++i, ++chunksDuringBox)
            feed(QByteArray(64, '#'));
        QVERIFY(Receiver->CountRe() <= TReceiver::kCapacity);
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox*>(w) && w->isVisible();
        boxes = qMax(boxes, open);
        if (chunksDuringBox >= 2000)
            box->accept();
    });
    chatter.start(5);
    DispObmen->proc_cf_req(0, DispObmen->current());
    feed(QByteArray(COM_CF_REQID.RecPackSize, '#'));
    QTRY_VERIFY_WITH_TIMEOUT(chunksDuringBox >= 2000 && !QApplication::activeModalWidget(), 30000);
    QCOMPARE(boxes, 1);
    QVERIFY(Receiver->CountRe() <= TReceiver::kCapacity);
}

QTEST_MAIN(tst_Receive)
#include "tst_receive.moc"
