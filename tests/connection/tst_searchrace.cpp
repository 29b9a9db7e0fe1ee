// The search's short wait against a reply that came in time but was not yet read: the reply
// time-out and the port's bytes racing. The clock is virtual and no socket notice ever runs, so
// whatever the unit says reaches the program only through the look at the port the time-out
// takes: the race is lost by the port every time, on any machine.
#include "PseudoTerminal.h"
#include "VirtualTime.h"
#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
#include "connection/texts.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/obmen.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

VirtualTime* virtualTime = nullptr;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// The unit's reply to a query: a receiver of model 21 at address 0, in duty mode.
QByteArray replyTo(int code)
{
    std::vector<Byte> payload{Byte(code)};
    switch (code) {
    case COM_CF_REQSTATE.CodCom: payload.insert(payload.end(), 4, 0); break;
    case COM_CF_REQVERS.CodCom: payload.insert(payload.end(), {1, 5}); break;
    case COM_CF_REQID.CodCom: payload.insert(payload.end(), {21, 0}); break;
    default: payload.push_back(0); break;
    }
    const std::vector<Byte> f = frame::encode(frame::kReplyOk, payload);
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

// The command code of a request as it came down the line, 0 if it is none.
int codeOf(const QByteArray& request)
{
    std::vector<Byte> payload;
    if (!frame::decodeDigits(reinterpret_cast<const Byte*>(request.constData()), int(request.size()), payload) ||
        payload.size() < 2)
        return 0;
    return payload[1];
}

}  // namespace

class tst_SearchRace : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void replyRacingTheTimeOut_data();
    void replyRacingTheTimeOut();

private:
    // Fires the program's timers one at a time, as they fall due, until done holds.
    bool runUntil(const std::function<bool()>& done);
    // The request the program has sent to the unit, read off the line.
    QByteArray request();
    // The unit's bytes reach the program's side of the line, and then the reply timer runs out.
    bool timeOutWith(const QByteArray& bytes);
    void sayOnLine(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> FDir;
    QString FOldCwd;
    std::unique_ptr<PseudoTerminal> FUnit;
    std::unique_ptr<DetectorConnection> FConnection;
    QStringList FLog;
};

void tst_SearchRace::init()
{
    // The connection log is written where the program runs.
    FDir = std::make_unique<QTemporaryDir>();
    FOldCwd = QDir::currentPath();
    QDir::setCurrent(FDir->path());
    FUnit = std::make_unique<PseudoTerminal>();
    QVERIFY(FUnit->isOpen());
    qputenv("DORVIK_SERIAL_PORTS", FUnit->slavePath().toLocal8Bit());
    FConnection = std::make_unique<DetectorConnection>();
    FLog.clear();
    connect(FConnection.get(), &DetectorConnection::logLineAdded, this, [this](const QString& l) { FLog << l; });
}

void tst_SearchRace::cleanup()
{
    FConnection.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FUnit.reset();
    QDir::setCurrent(FOldCwd);
    qunsetenv("DORVIK_SERIAL_PORTS");
}

bool tst_SearchRace::runUntil(const std::function<bool()>& done)
{
    // A minute of the program's time is far more than any step of a search takes.
    const qint64 limit = virtualTime->now() + 60000;
    for (int fired = 0; fired < 1000; ++fired) {
        if (done())
            return true;
        if (!virtualTime->fireNext(limit))
            return done();
    }
    return done();
}

QByteArray tst_SearchRace::request()
{
    QByteArray got = FUnit->read(5000, 1);
    while (!got.endsWith('\r') && got.size() < 64) {
        const QByteArray more = FUnit->read(5000, 1);
        if (more.isEmpty())
            break;
        got += more;
    }
    return got;
}

void tst_SearchRace::sayOnLine(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    FUnit->write(bytes);
    QVERIFY(FUnit->reachedProgram(10000));
}

bool tst_SearchRace::timeOutWith(const QByteArray& bytes)
{
    sayOnLine(bytes);
    if (QTest::currentTestFailed())
        return false;
    QSignalSpy expired(FConnection->tiTimeWaitRepl, &ReplyTimer::timeout);
    return runUntil([&] { return !expired.isEmpty(); });
}

void tst_SearchRace::replyRacingTheTimeOut_data()
{
    QTest::addColumn<int>("before");  // bytes of the reply on the line when the wait runs out
    QTest::addColumn<bool>("found");
    const int whole = COM_CF_REQID.RecPackSize;
    QTest::newRow("whole reply waiting") << whole << true;
    QTest::newRow("half waiting, half after") << whole / 2 << true;
    QTest::newRow("first byte waiting") << 1 << true;
    QTest::newRow("all but the last byte waiting") << whole - 1 << true;
    QTest::newRow("nothing yet: a miss") << 0 << false;
}

void tst_SearchRace::replyRacingTheTimeOut()
{
    QFETCH(int, before);
    QFETCH(bool, found);
    QSignalSpy established(FConnection.get(), &DetectorConnection::linkEstablished);
    FConnection->start();

    // Nobody answers at 4800 bit/s: the unit was left at 57600 by an earlier run.
    QVERIFY(runUntil([&] { return FConnection->tiTimeWaitRepl->isEnabled(); }));
    QCOMPARE(codeOf(request()), int(COM_CF_REQID.CodCom));
    QVERIFY(timeOutWith({}));
    QCOMPARE(FLog.mid(FLog.size() - 2), (QStringList{text(LOG_FAILURE), text(LOG_ATTEMPT_SPEED) + "57600"}));
    QCOMPARE(codeOf(request()), int(COM_CF_REQID.CodCom));
    QCOMPARE(FUnit->programBaud(), 57600);

    const QByteArray reply = replyTo(COM_CF_REQID.CodCom);
    QVERIFY(timeOutWith(reply.left(before)));
    if (!found) {
        QCOMPARE(FLog.mid(FLog.size() - 2), (QStringList{text(LOG_FAILURE), text(LOG_ATTEMPT_SPEED) + "9600"}));
        return;
    }
    // Taken, not missed: no failure in the log, and a reply begun is waited for to its end.
    QCOMPARE(FLog.last(), text(LOG_ATTEMPT_SPEED) + "57600");
    QVERIFY(FConnection->tiTimeWaitRepl->isEnabled());
    if (before < reply.size()) {
        QCOMPARE(FConnection->link->receiver.CountRe(), before);
        QVERIFY(timeOutWith(reply.mid(before)));
    }

    // The rest of the identification, each reply again read only when its wait runs out.
    for (int i = 0; i < 8 && established.isEmpty(); ++i) {
        const int code = codeOf(request());
        QVERIFY2(code != 0, qPrintable(FLog.join(QLatin1Char('\n'))));
        // Once the unit has answered, its identification is not hurried.
        QCOMPARE(FConnection->tiTimeWaitRepl->interval(), 1000);
        QVERIFY(timeOutWith(replyTo(code)));
    }
    QCOMPARE(established.size(), 1);
    QVERIFY(!FLog.mid(FLog.indexOf(text(LOG_ATTEMPT_SPEED) + "57600")).contains(text(LOG_FAILURE)));
    QVERIFY(FLog.contains(text(LOG_SUCCESS)));
    QCOMPARE(FConnection->lineSpeed(), br57600);
    QCOMPARE(FConnection->Detector.FVersPr, (std::array<std::uint8_t, 2>{1, 5}));
}

int main(int argc, char** argv)
{
    virtualTime = VirtualTime::install();
    QCoreApplication app(argc, argv);
    tst_SearchRace test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_searchrace.moc"
