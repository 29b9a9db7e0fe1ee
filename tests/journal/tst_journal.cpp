// The site journal's file: what a session leaves in it, the overview of the site, two laptops'
// journals merged, a newer file refused, a writer killed at any moment, a folder or a disk
// that takes nothing.
#include "FullDisk.h"
#include "journal/JournalWriter.h"
#include "journal/SiteJournal.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr qint64 DAY_ONE = 1796000000000;  // a morning in 2026, ms since the epoch

JournalSession unit(int ident, int address, qint64 startedMs, const QString& section, int letter)
{
    JournalSession s;
    s.ident = ident;
    s.transmitter = ident == 32;
    s.firmware = QStringLiteral("2.18");
    s.address = address;
    s.startedMs = startedMs;
    s.section = section;
    s.letter = letter;
    return s;
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Runs statements on a file behind the journal's back, as another program would.
QVariant raw(const QString& path, const QStringList& statements)
{
    QVariant last;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        d.setDatabaseName(path);
        if (d.open()) {
            QSqlQuery q(d);
            for (const QString& sql : statements)
                if (q.exec(sql) && q.next())
                    last = q.value(0);
        }
        d.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return last;
}
}  // namespace

class tst_Journal : public QObject {
    Q_OBJECT
private slots:
    void sessionIsUpdatedInPlaceAndReadBack();
    void pairAndNeighboursAreFlagged_data();
    void pairAndNeighboursAreFlagged();
    void transmitterAndTwoReceiversUnderTheirSections();
    void mergeKeepsEachSessionOnceAndBothLetters();
    void newerJournalIsRefusedUntouched();
    void killedWriterLosesNoEndedSession();
    void unwritableJournalIsSaidOnce_data();
    void unwritableJournalIsSaidOnce();
};

void tst_Journal::sessionIsUpdatedInPlaceAndReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.journal"));
    JournalSession s = unit(22, 7, DAY_ONE, QStringLiteral("Участок 3"), 4);
    s.range = 2;
    s.threshold = 5;
    s.mode = 1;
    {
        SiteJournal journal;
        QString error;
        QVERIFY2(journal.open(path, &error), qPrintable(error));
        QVERIFY2(journal.write(s, &error), qPrintable(error));
        // The session goes on: alignment, a walk test and its end come later, written over it.
        s.aligned = true;
        s.alignMax = 140;  // too strong
        s.alignLast = 90;
        s.walk << JournalWalkRow{DAY_ONE + 60000, QStringLiteral("У столба"), 95, 77, 0.35, true, 420}
               << JournalWalkRow{DAY_ONE + 90000, QStringLiteral("Низина"), 80, 77, 0.06, false, std::nullopt};
        s.walkPassed = false;
        s.endedMs = DAY_ONE + 120000;
        s.report = QStringLiteral("/home/u/Протокол.pdf");
        QVERIFY2(journal.write(s, &error), qPrintable(error));
    }
    QCOMPARE(raw(path, {QStringLiteral("PRAGMA user_version")}).toInt(), SiteJournal::SCHEMA_VERSION);
    QCOMPARE(raw(path, {QStringLiteral("PRAGMA journal_mode")}).toString(), QStringLiteral("wal"));
    // The zones are kept beside the signals, for whoever reads the file without the program.
    QCOMPARE(raw(path, {QStringLiteral("SELECT align_max_zone * 10 + align_last_zone FROM sessions")}).toInt(), 21);

    SiteJournal again;
    QString error;
    QVERIFY2(again.open(path, &error), qPrintable(error));
    const QVector<JournalSession> all = again.sessions();
    QCOMPARE(all.size(), 1);
    QVERIFY(all[0] == s);
    QCOMPARE(again.sectionOf(s.unitKey()), QStringLiteral("Участок 3"));
}

void tst_Journal::pairAndNeighboursAreFlagged_data()
{
    // Sessions as "section:kind letter" (T transmitter, R receiver), oldest first; expected per
    // section in the overview's order: "-" nothing, "M" the pair's letters differ, "N" a
    // neighbour has the same letter.
    QTest::addColumn<QStringList>("sessions");
    QTest::addColumn<QStringList>("flags");
    QTest::newRow("matching pairs, letters apart")
        << QStringList{"1:T1", "1:R1", "2:T2", "2:R2"} << QStringList{"-", "-"};
    QTest::newRow("pair mismatch") << QStringList{"1:T3", "1:R1"} << QStringList{"M"};
    QTest::newRow("the latest letter counts")
        << QStringList{"1:T3", "1:R1", "1:R3"} << QStringList{"-"};
    QTest::newRow("neighbours on one letter, counted as numbers")
        << QStringList{"10:T5", "2:T5", "9:T5", "2:R5"} << QStringList{"N", "N", "N"};
    QTest::newRow("a section between them breaks it")
        << QStringList{"1:T4", "2:T6", "3:T4"} << QStringList{"-", "-", "-"};
    QTest::newRow("receiver only, same as neighbour's transmitter")
        << QStringList{"1:T2", "2:R2", "3:R7"} << QStringList{"N", "N", "-"};
}

void tst_Journal::pairAndNeighboursAreFlagged()
{
    QFETCH(QStringList, sessions);
    QFETCH(QStringList, flags);
    QTemporaryDir dir;
    SiteJournal journal;
    QString error;
    QVERIFY2(journal.open(dir.filePath(QStringLiteral("site.journal")), &error), qPrintable(error));
    for (int i = 0; i < sessions.size(); ++i) {
        const QStringList parts = sessions[i].split(QLatin1Char(':'));
        const bool transmitter = parts[1].startsWith(QLatin1Char('T'));
        JournalSession s = unit(transmitter ? 32 : 22, transmitter ? 0 : parts[0].toInt(), DAY_ONE + i * 60000,
                                QStringLiteral("Участок ") + parts[0], parts[1].mid(1).toInt());
        QVERIFY2(journal.write(s, &error), qPrintable(error));
    }
    const QVector<SectionRow> rows = journal.overview();
    QStringList seen;
    for (const SectionRow& r : rows)
        seen << (r.letterMismatch ? QStringLiteral("M") : r.neighbourLetter ? QStringLiteral("N") : QStringLiteral("-"));
    QCOMPARE(seen, flags);
    for (int i = 1; i < rows.size(); ++i)
        QVERIFY(sectionLess(rows[i - 1].section, rows[i].section));
}

void tst_Journal::transmitterAndTwoReceiversUnderTheirSections()
{
    // Through the writer's thread, as the program writes: a transmitter, then each receiver of
    // the line, each under the section the installer named.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.journal"));
    JournalWriter writer;
    QSignalSpy opened(&writer, &JournalWriter::opened);
    QSignalSpy failed(&writer, &JournalWriter::failed);
    QSignalSpy found(&writer, &JournalWriter::sectionFound);
    QSignalSpy overview(&writer, &JournalWriter::overviewReady);
    writer.open(path);
    JournalSession tx = unit(32, 0, DAY_ONE, QStringLiteral("Участок 1"), 3);
    JournalSession rx1 = unit(22, 1, DAY_ONE + 600000, QStringLiteral("Участок 1"), 3);
    JournalSession rx2 = unit(22, 2, DAY_ONE + 1200000, QStringLiteral("Участок 2"), 5);
    rx2.walkPassed = true;
    rx2.walk << JournalWalkRow{DAY_ONE + 1300000, QStringLiteral("Середина"), 100, 77, 0.4, true, 250};
    for (JournalSession* s : {&tx, &rx1, &rx2}) {
        writer.write(*s);
        s->endedMs = s->startedMs + 300000;
        writer.write(*s);
    }
    writer.lookUpSection(rx2.unitKey());
    writer.lookUpSection(unit(22, 9, 0, {}, 1).unitKey());
    writer.requestOverview();
    QVERIFY(overview.wait(30000));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(failed.size(), 0);
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0][1].toString(), QStringLiteral("Участок 2"));
    QCOMPARE(found[1][1].toString(), QString());  // never seen: the installer is asked

    const auto rows = overview[0][0].value<QVector<SectionRow>>();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].section, QStringLiteral("Участок 1"));
    QVERIFY(rows[0].transmitter && rows[0].receiver);
    QCOMPARE(rows[0].receiver->address, 1);
    QVERIFY(rows[0].transmitter->endedMs);
    QVERIFY(!rows[0].walkChecked());
    QCOMPARE(rows[1].section, QStringLiteral("Участок 2"));
    QVERIFY(!rows[1].transmitter);
    QCOMPARE(rows[1].walkPassed, std::optional<bool>(true));
    QCOMPARE(rows[1].walkAtMs, DAY_ONE + 1300000);
}

void tst_Journal::mergeKeepsEachSessionOnceAndBothLetters()
{
    QTemporaryDir dir;
    const QString mine = dir.filePath(QStringLiteral("mine.journal"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.journal"));
    SiteJournal a;
    QString error;
    QVERIFY2(a.open(mine, &error), qPrintable(error));
    const JournalSession shared = unit(22, 4, DAY_ONE, QStringLiteral("Участок 4"), 2);
    QVERIFY(a.write(shared, &error));
    QVERIFY(a.write(unit(32, 0, DAY_ONE + 1000, QStringLiteral("Участок 4"), 2), &error));
    // The other laptop starts from a copy of this journal (an export, while it is open, over
    // an older file of that name)...
    {
        QFile old(theirs);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older copy");
    }
    QVERIFY2(a.exportTo(theirs, &error), qPrintable(error));
    QVERIFY(!QFile::exists(theirs + QStringLiteral(".part")));
    // ... and finds the same receiver the next day with another letter.
    {
        SiteJournal b;
        QVERIFY2(b.open(theirs, &error), qPrintable(error));
        QCOMPARE(b.sessions().size(), 2);
        JournalSession later = unit(22, 4, DAY_ONE + 86400000, QStringLiteral("Участок 4"), 6);
        later.walkPassed = true;
        later.walk << JournalWalkRow{DAY_ONE + 86460000, QStringLiteral("У приёмника"), 99, 77, 0.3, true, 200};
        QVERIFY(b.write(later, &error));
        QVERIFY(b.write(unit(22, 5, DAY_ONE + 86500000, QStringLiteral("Участок 5"), 1), &error));
    }
    const QByteArray theirBytes = digest(theirs);

    int added = -1;
    QVERIFY2(a.mergeFrom(theirs, &added, &error), qPrintable(error));
    QCOMPARE(added, 2);
    QVERIFY2(a.mergeFrom(theirs, &added, &error), qPrintable(error));
    QCOMPARE(added, 0);
    QCOMPARE(digest(theirs), theirBytes);  // the other laptop's file is only read

    const QVector<JournalSession> all = a.sessions();
    QCOMPARE(all.size(), 4);
    QStringList letters;
    for (const JournalSession& s : all)
        if (s.unitKey() == shared.unitKey())
            letters << QStringLiteral("%1@%2").arg(s.letter).arg(s.startedMs - DAY_ONE);
    QCOMPARE(letters, (QStringList{QStringLiteral("2@0"), QStringLiteral("6@86400000")}));
    QCOMPARE(all[2].walk.size(), 1);

    const QVector<SectionRow> rows = a.overview();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].receiver->letter, 6);
    QVERIFY(rows[0].letterMismatch);  // the transmitter is still on 2
    QVERIFY(rows[0].walkChecked());
}

void tst_Journal::newerJournalIsRefusedUntouched()
{
    QTemporaryDir dir;
    const QString newer = dir.filePath(QStringLiteral("newer.journal"));
    {
        SiteJournal j;
        QString error;
        QVERIFY2(j.open(newer, &error), qPrintable(error));
    }
    raw(newer, {QStringLiteral("PRAGMA journal_mode = DELETE"),
                QStringLiteral("PRAGMA user_version = %1").arg(SiteJournal::SCHEMA_VERSION + 1)});
    const QByteArray before = digest(newer);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);

    SiteJournal j;
    QString error;
    QVERIFY(!j.open(newer, &error));
    QVERIFY2(error.contains(QStringLiteral("более новой версией")), qPrintable(error));
    QVERIFY(error.contains(QDir::toNativeSeparators(newer)));
    QVERIFY(!j.isOpen());

    SiteJournal mine;
    QVERIFY(mine.open(dir.filePath(QStringLiteral("mine.journal")), &error));
    int added = -1;
    QVERIFY(!mine.mergeFrom(newer, &added, &error));
    QVERIFY2(error.contains(QStringLiteral("более новой версией")), qPrintable(error));
    QCOMPARE(added, 0);

    QCOMPARE(digest(newer), before);
    QStringList filesAfter = QDir(dir.path()).entryList(QDir::Files);
    filesAfter.removeAll(QStringLiteral("mine.journal"));
    filesAfter.removeAll(QStringLiteral("mine.journal-wal"));
    filesAfter.removeAll(QStringLiteral("mine.journal-shm"));
    QCOMPARE(filesAfter, filesBefore);
}

void tst_Journal::killedWriterLosesNoEndedSession()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.journal"));
    QRandomGenerator rng(20261210);
    QSet<qint64> ended;
    QElapsedTimer clock;
    clock.start();
    for (int kill = 0; kill < 10 && clock.elapsed() < 240000; ++kill) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(JOURNAL_WRITER), {path, QString::number(DAY_ONE + kill * 10000000LL)});
        QVERIFY2(writer.waitForStarted(30000), qPrintable(writer.errorString()));
        // Killed after a random number of its reports: between writes, or inside one.
        const int reports = int(rng.bounded(1, 40));
        int seen = 0;
        while (seen < reports) {
            if (!writer.canReadLine() && !writer.waitForReadyRead(30000))
                QFAIL(qPrintable(QStringLiteral("the writer stopped reporting: %1").arg(writer.errorString())));
            while (seen < reports && writer.canReadLine()) {
                const QByteArray line = writer.readLine().trimmed();
                ++seen;
                if (line.startsWith("ended "))
                    ended.insert(line.mid(6).toLongLong());
            }
        }
        writer.kill();
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        QCOMPARE(raw(path, {QStringLiteral("PRAGMA integrity_check")}).toString(), QStringLiteral("ok"));
        SiteJournal journal;
        QString error;
        QVERIFY2(journal.open(path, &error), qPrintable(error));
        QSet<qint64> there;
        for (const JournalSession& s : journal.sessions(&error)) {
            if (s.endedMs) {
                there.insert(s.startedMs);
                QCOMPARE(s.walk.size(), 3);
            }
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (qint64 started : std::as_const(ended))
            QVERIFY2(there.contains(started), qPrintable(QStringLiteral("kill %1: session %2 is gone").arg(kill).arg(started)));
    }
    QVERIFY(!ended.isEmpty());
}

void tst_Journal::unwritableJournalIsSaidOnce_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("full disk") << true;
}

void tst_Journal::unwritableJournalIsSaidOnce()
{
    QFETCH(bool, fullDisk);
    QTemporaryDir dir;
    TinyDisk readOnly;
    QString folder = dir.path();
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (!fullDisk) {
        // Root writes into a folder without write permission: a read-only mount stops anyone.
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(dir.filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            if (!readOnly.makeReadOnly())
                QSKIP("running as root with no read-only file system to mount");
            folder = readOnly.path();
        }
    }
    const QString path = QDir(folder).filePath(QStringLiteral("site.journal"));
    std::unique_ptr<FullDisk> full;
    JournalWriter writer;
    QSignalSpy failed(&writer, &JournalWriter::failed);
    QSignalSpy written(&writer, &JournalWriter::written);
    if (fullDisk) {
        writer.open(path);
        writer.flush();
        QCOMPARE(failed.size(), 0);
        // The journal's log already holds the file's making: any write past it falls short.
        full = std::make_unique<FullDisk>(4096);
    } else {
        writer.open(path);
    }
    JournalSession s = unit(22, 1, DAY_ONE, QStringLiteral("Участок 1"), 1);
    for (int i = 0; i < 5; ++i) {
        s.walk << JournalWalkRow{DAY_ONE + i, QString(200, QLatin1Char('x')), 90, 77, 0.1, true, 100};
        writer.write(s);
    }
    writer.flush();
    full.reset();
    QCOMPARE(failed.size(), 1);
    QCOMPARE(written.size(), 0);
    const QString message = failed[0][0].toString();
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
}

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_journal.moc"
