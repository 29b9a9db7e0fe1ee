// A live session captured, then played into a fresh program with --play: the session it
// records must be the installer's, row for row, and a bad file must be refused with its reason.
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "ProgramWithUnit.h"
#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "dialogs/liter.h"
#include "panel/startup.h"
#include "panel/texts.h"
#include "panel/widgets.h"
#include "serial/CaptureReader.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"

#include <QFile>
#include <QRegularExpression>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

const SessionSample* last() { return fmMain->record->last(); }

bool seen(const std::function<bool(const SessionSample&)>& what)
{
    return QTest::qWaitFor([&] { return last() && what(*last()); }, 15000);
}

// The CSV's rows without their time column.
QStringList csvRows(const QString& path)
{
    QString error;
    if (!writeSessionCsv(*fmMain->record, path, &error))
        qWarning("%s", qPrintable(error));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (rows.size() == 1)
        rows = rows.first().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    rows.removeFirst();  // the header
    for (QString& row : rows)
        row = row.section(QLatin1Char(','), 1);
    return rows;
}

struct Facts {
    QString unit, firmware, address, letter, threshold;
    TRejim mode = dej;
    bool operator==(const Facts& o) const
    {
        return unit == o.unit && firmware == o.firmware && address == o.address && letter == o.letter
               && threshold == o.threshold && mode == o.mode;
    }
};

Facts facts()
{
    return {fmMain->stIzv->text(), fmMain->stVersPr->text(), fmMain->stAddr->text(), fmMain->stLiter->text(),
            fmMain->stPorogMarker->text(), fmMain->Detector.FRejim};
}

char* toString(const Facts& f)
{
    return qstrdup(qPrintable(QStringLiteral("%1 / %2 / addr %3 / letter %4 / threshold %5 / mode %6")
                                  .arg(f.unit, f.firmware, f.address, f.letter, f.threshold)
                                  .arg(int(f.mode))));
}

}  // namespace

class tst_Play : public QObject {
    Q_OBJECT
private slots:
    void playbackRecordsTheInstallersSession();
    void badFileIsRefused_data();
    void badFileIsRefused();
};

void tst_Play::playbackRecordsTheInstallersSession()
{
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("installer.dcap"));
    QStringList live;
    Facts liveFacts;
    std::size_t liveFirst = 0, liveEnd = 0;
    {
        SimConfig config;
        config.model = 22;
        config.letterIndex = 2;
        config.threshold = 5;
        config.field = 20;
        ProgramWithUnit rig(config);
        QVERIFY(rig.start());
        QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > 40, 15000);
        // Started mid-session: the search is kept, then a gap, then the live part, which
        // begins with the request after the one in flight now.
        QString error;
        QVERIFY2(fmMain->connection->link->startCapture(capture, &error), qPrintable(error));
        liveFirst = fmMain->record->size() + 1;

        rig.sim.state().field = 100;
        QVERIFY(seen([](const SessionSample& s) { return s.fieldKnown() && s.field == 100; }));
        // The letter, through its dialog, as the installer sets it.
        QTimer::singleShot(0, fmMain, [] {
            fmLiter->sb[4]->click();
            fmLiter->bbSet->click();
        });
        fmMain->bbLiter->click();
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().letterIndex), 4, 5000);
        // An alignment stretch, and back on duty.
        fmMain->sbUst->click();
        QVERIFY(seen([](const SessionSample& s) { return s.mode == ust && s.signalKnown(); }));
        rig.sim.state().signal = 120;
        QVERIFY(seen([](const SessionSample& s) { return s.mode == ust && s.signal == 120; }));
        fmMain->sbRabota->click();
        QVERIFY(seen([](const SessionSample& s) { return s.mode == dej; }));
        // An alarm raised and cleared.
        rig.sim.state().alarm = true;
        QVERIFY(seen([](const SessionSample& s) { return s.alarm(); }));
        rig.sim.state().alarm = false;
        QVERIFY(seen([](const SessionSample& s) { return !s.alarm(); }));
        const std::size_t mark = fmMain->record->size();
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() > mark + 20, 10000);
        // Stopped with a request on its way: its reply is the live session's, not the capture's.
        fmMain->connection->link->stopCapture();
        liveEnd = fmMain->record->size();
        liveFacts = facts();
        live = csvRows(dir.filePath(QStringLiteral("live.csv")));
    }
    QCOMPARE(liveFacts.letter, QStringLiteral("5"));

    ProgramFixture program;
    QSignalSpy finished(fmMain->connection, &DetectorConnection::playbackFinished);
    program.start({QStringLiteral("--play"), capture, QStringLiteral("--pace"), QStringLiteral("max")});
    QVERIFY(fmMain->windowTitle().contains(QStringLiteral("installer.dcap")));
    QVERIFY(finished.wait(60000));
    QVERIFY(fmMain->connection->FlagReply());
    QCOMPARE(facts(), liveFacts);
    QCOMPARE(fmMain->stBaud->text(), QStringLiteral("57600"));
    QCOMPARE(fmMain->stPered->text(), QString::fromUtf8(PLAY_ENDED));
    // Nothing that would send can be used, and no search is offered.
    QVERIFY(fmMain->bbLiter->isHidden() && fmMain->bbSkor->isHidden() && fmMain->bbAddr->isHidden());
    QVERIFY(!fmMain->sbRabota->isEnabled() && !fmMain->sbUst->isEnabled() && !fmMain->bbPlus->isEnabled());
    QVERIFY(fmMain->bbFind->isHidden());

    // The first polls, kept with the search, then the live part after the gap.
    std::size_t gap = 0;
    for (std::size_t i = 1; i < fmMain->record->size() && !gap; ++i)
        if (fmMain->record->at(i).afterGap())
            gap = i;
    QVERIFY(gap > 0);
    const QStringList played = csvRows(program.file(QStringLiteral("played.csv")));
    QCOMPARE(played.mid(0, int(gap)), live.mid(0, int(gap)));
    QCOMPARE(played.mid(int(gap)), live.mid(int(liveFirst), int(liveEnd - liveFirst)));
    // The stretch held every part of the session.
    // Unit, model, firmware, address, then the mode: an alignment stretch is in it.
    QVERIFY(!played.mid(int(gap)).filter(QRegularExpression(QStringLiteral("^([^,]*,){4}1,"))).isEmpty());
    QVERIFY(played.size() > int(gap) + 40);
}

void tst_Play::badFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a capture") << QByteArray("[INTERF]\nTOP=1\n");
    QTest::newRow("bad line") << QByteArray("# dorvik exchange capture 1\n0.000 4800 > 2430\n0.010 fast < 21\n");
}

void tst_Play::badFileIsRefused()
{
    QFETCH(QByteArray, content);
    ProgramFixture program;
    const QString path = program.file(QStringLiteral("sent by the installer.dcap"));
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    CaptureReader reader;
    if (reader.open(path)) {
        CaptureReader::Item item;
        do
            item = reader.next();
        while (item == CaptureReader::Record || item == CaptureReader::Gap);
    }
    const QString why = reader.errorString();
    QVERIFY(!why.isEmpty());

    MessageBoxCatcher catcher;
    program.start({QStringLiteral("--play"), path});
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(catcher.boxes[0].text, QString::fromUtf8(PLAY_ERROR_TEXT).arg(why));
    QTRY_VERIFY(!fmMain->isVisible());
    QCOMPARE(programExitCode(), 1);
    // Not a start: the report file of this folder is left alone.
    QVERIFY(!QFile::exists(program.file(QString::fromUtf8(REPORT_FILE))));
}

QTEST_MAIN(tst_Play)
#include "tst_play.moc"
