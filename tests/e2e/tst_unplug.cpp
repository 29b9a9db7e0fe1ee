// The cable pulled at every moment of the exchange: while the unit is searched for, in the
// speed switch, right after a reply while polling, and while the exchange is being captured.
// Each ends with the program telling what happened, never with a crash, and a capture keeps
// everything the line brought up to the pull.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "panel/widgets.h"
#include "serial/CaptureFormat.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString text(const char* s) { return QString::fromUtf8(s); }

enum class Moment {
    FirstRequest,        // the search's first request is on the wire, unanswered
    SearchReply,         // a reply of the identification has just left
    SpeedCommand,        // the speed command has arrived, not yet acknowledged
    SpeedAcknowledged,   // its acknowledgement has left: the program is in its switch
    PollingReply,        // a reply while polling has just left
};
}  // namespace
Q_DECLARE_METATYPE(Moment)

class tst_Unplug : public QObject {
    Q_OBJECT
private slots:
    void pulledAt_data();
    void pulledAt();
};

void tst_Unplug::pulledAt_data()
{
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("capturing");
    QTest::addColumn<QString>("shown");
    const struct {
        const char* name;
        Moment moment;
        bool capturing;
        const char* shown;
    } moments[] = {
        {"search, first request", Moment::FirstRequest, false, MSG_NOT_FOUND},
        {"search, after a reply", Moment::SearchReply, false, MSG_NOT_FOUND},
        {"speed command", Moment::SpeedCommand, false, MSG_LINK_LOST},
        {"speed switch", Moment::SpeedAcknowledged, false, MSG_LINK_LOST},
        {"polling, after a reply", Moment::PollingReply, false, MSG_LINK_LOST},
        {"polling, capturing", Moment::PollingReply, true, MSG_LINK_LOST},
    };
    // The pull lands at slightly different points of the program's own handling each time.
    for (const auto& m : moments)
        for (int delayMs : {0, 1, 4, 15})
            QTest::addRow("%s, +%d ms", m.name, delayMs) << m.moment << delayMs << m.capturing << text(m.shown);
}

void tst_Unplug::pulledAt()
{
    QFETCH(Moment, moment);
    QFETCH(int, delayMs);
    QFETCH(bool, capturing);
    QFETCH(QString, shown);

    SimConfig config;
    config.paceAtLineRate = true;
    SimulatedDetector sim(config);
    QVERIFY(sim.open());
    QTemporaryDir dir;
    const QString capturePath = dir.filePath(QStringLiteral("exchange.dcap"));
    bool pulled = false;
    int polls = 0;
    const auto pull = [&] {
        if (pulled)
            return;
        pulled = true;
        QTimer::singleShot(delayMs, &sim, &SimulatedDetector::vanish);
    };
    connect(&sim, &SimulatedDetector::requestReceived, &sim, [&](const SimRequest& q) {
        if (moment == Moment::FirstRequest || (moment == Moment::SpeedCommand && q.code == 1))
            pull();
    });
    connect(&sim, &SimulatedDetector::replySent, &sim, [&] {
        if (pulled)
            return;
        const SimRequest q = sim.requests().last();
        // With a capture, the pull comes once it has recorded for a while.
        const bool polling = fmMain->connection->FlagReply() && q.baud == 57600 && (!capturing || fmMain->connection->link->capturing());
        if ((moment == Moment::SearchReply && sim.requests().size() == 3) ||
            (moment == Moment::SpeedAcknowledged && q.code == 1) ||
            (moment == Moment::PollingReply && polling && ++polls == 40))
            pull();
    });

    {
        ProgramFixture program({sim.slavePath()});
        program.start();
        if (capturing) {
            QTRY_VERIFY_WITH_TIMEOUT(polling(), 20000);
            QString error;
            QVERIFY2(fmMain->connection->link->startCapture(capturePath, &error), qPrintable(error));
        }
        QTRY_VERIFY_WITH_TIMEOUT(pulled, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), shown, 20000);
        QVERIFY(!fmMain->connection->FlagReply());
        const int losses = int(program.readFile(text(REPORT_FILE)).count("\r\n"));
        QCOMPARE(losses, shown == text(MSG_LINK_LOST) ? 1 : 0);
    }

    if (capturing) {
        // Written whole when the program closed: the last requests that reached the unit are at
        // its end, perhaps followed by one the pulled cable never carried.
        QString error;
        QList<CaptureRecord> records;
        QVERIFY2(readCapture(capturePath, &records, &error), qPrintable(error));
        QList<QByteArray> written, arrived;
        for (const CaptureRecord& r : std::as_const(records))
            if (r.request)
                written << r.bytes;
        for (const SimRequest& q : sim.requests())
            arrived << q.raw;
        QVERIFY(arrived.size() >= 4);
        arrived = arrived.mid(arrived.size() - 4);
        const bool atTheEnd = written.mid(written.size() - 4) == arrived ||
                              written.mid(written.size() - 5, 4) == arrived;
        QVERIFY2(atTheEnd, qPrintable(QString::fromLatin1(written.mid(written.size() - 5).join(' '))));
    }
}

QTEST_MAIN(tst_Unplug)
#include "tst_unplug.moc"
