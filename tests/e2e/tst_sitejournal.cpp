// The site journal from the program's side: a unit found is in the journal under the section
// the installer named, ended when the program closes, and the next run proposes the section.
#include "FullDisk.h"
#include "MessageBoxCatcher.h"
#include "ProgramWithUnit.h"
#include "trend/SessionRecord.h"
#include "journal/SiteJournal.h"
#include "trend/JournalKeeper.h"
#include "trend/JournalWindow.h"
#include "trend/SiteReport.h"
#include "trend/TrendWindow.h"

#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class tst_SiteJournal : public QObject {
    Q_OBJECT
private slots:
    void sessionIsKeptUnderItsSectionAcrossRuns();
    void siteReportPrintsTheTableAndLeavesRoomForSectionPages();
    void unusableJournalIsSaidOnceAndPollingGoesOn_data();
    void unusableJournalIsSaidOnceAndPollingGoesOn();
};

namespace {
QVector<JournalSession> journalSessions(const QString& path)
{
    SiteJournal journal;
    QString error;
    return journal.open(path, &error) ? journal.sessions() : QVector<JournalSession>();
}
}  // namespace

void tst_SiteJournal::sessionIsKeptUnderItsSectionAcrossRuns()
{
    QTemporaryDir settings;
    qputenv("DORVIK_SETTINGS_DIR", settings.path().toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("DORVIK_SETTINGS_DIR"); });
    const QString path = JournalKeeper::defaultPath();
    QVERIFY(path.startsWith(settings.path()));
    SimConfig config;
    config.model = 22;
    config.address = 7;
    config.letterIndex = 4;
    {
        ProgramWithUnit rig(config);
        QVERIFY(rig.startPolling(15000));
        fmMain->bbTrendClick();
        QLineEdit* section = fmMain->fmTrend->leSection;
        QVERIFY(section->text().isEmpty());  // a unit never seen: the installer is asked
        section->setText(QStringLiteral("Участок 12"));
        emit section->editingFinished();
        // Written on the section's change, and again as the polls go on.
        QTRY_VERIFY_WITH_TIMEOUT(journalSessions(path).size() == 1
                                     && journalSessions(path).first().section == QStringLiteral("Участок 12")
                                     && journalSessions(path).first().letter == 5,
                                 20000);
        const JournalSession running = journalSessions(path).first();
        QVERIFY(!running.endedMs);
        QCOMPARE(running.ident, 22);
        QCOMPARE(running.address, 7);

        fmMain->openJournal();
        QTableWidget* table = fmMain->fmJournal->twSections;
        QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() == 1, 20000);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Участок 12"));
    }
    QVector<JournalSession> all = journalSessions(path);
    QCOMPARE(all.size(), 1);
    QVERIFY(all[0].endedMs);

    // The next run, the same unit: its section is proposed, and a session of its own begins.
    ProgramWithUnit rig(config);
    QVERIFY(rig.startPolling(15000));
    fmMain->bbTrendClick();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->fmTrend->leSection->text(), QStringLiteral("Участок 12"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(journalSessions(path).size() == 2, 20000);
    all = journalSessions(path);
    QCOMPARE(all[1].section, QStringLiteral("Участок 12"));
}

void tst_SiteJournal::siteReportPrintsTheTableAndLeavesRoomForSectionPages()
{
    QTemporaryDir dir;
    QVector<SectionRow> rows(40);
    for (int i = 0; i < rows.size(); ++i) {
        rows[i].section = QStringLiteral("Участок %1").arg(i + 1);
        JournalSession rx;
        rx.ident = 22;
        rx.letter = 1 + i % 8;
        rows[i].receiver = rx;
    }
    rows[3].letterMismatch = true;
    QStringList paged;
    const QString path = dir.filePath(QStringLiteral("site.pdf"));
    QString error;
    QVERIFY2(writeSiteReport(path, rows, dir.filePath(QStringLiteral("site.journal")), &error,
                             [&](QPainter&, QPdfWriter&, const SectionRow& row) { paged << row.section; }),
             qPrintable(error));
    QCOMPARE(paged.size(), rows.size());
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    // Forty sections do not fit one landscape page: the table goes on, then a page a section.
    const auto pages = bytes.count("/Type /Page") - bytes.count("/Type /Pages");
    QVERIFY2(pages > rows.size() + 1, qPrintable(QString::number(pages)));
    QVERIFY(!QFile::exists(path + QStringLiteral(".part")));

    // With the sections' own records: each as far as the journal kept it.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (!pdftotext.isEmpty()) {
        JournalSession tx;
        tx.ident = IDENT_PERED;
        tx.transmitter = true;
        tx.letter = 2;
        JournalSession rx = *rows[0].receiver;
        rx.threshold = 5;
        rx.walk = {{0, QStringLiteral("У столба 4"), 110, 5, 0.64, false, std::nullopt}};
        rx.walkPassed = false;
        const QVector<SectionRow> pair{{QStringLiteral("Участок 1"), tx, rx}};
        const QString records = dir.filePath(QStringLiteral("records.pdf"));
        QVERIFY2(writeSiteReport(records, pair, QString(), &error, sectionRecords(QStringLiteral("Склад"))),
                 qPrintable(error));
        QProcess convert;
        convert.start(pdftotext, {QStringLiteral("-layout"), records, QStringLiteral("-")});
        QVERIFY(convert.waitForFinished(30000));
        const QString text = QString::fromUtf8(convert.readAllStandardOutput()).simplified();
        for (const QString& line : {QStringLiteral("Протокол настройки"), QStringLiteral("Объект Склад"),
                                    QStringLiteral("Литера 2 1"), QStringLiteral("ВНИМАНИЕ: литеры не совпадают"),
                                    QStringLiteral("Порог 1.5 В"), QStringLiteral("У столба 4 2.14 В +0.64 В (43 %) НЕТ"),
                                    QStringLiteral("Итог НЕ ПРОЙДЕНА")})
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral(" not in: ") + text));
    }

    // A folder that is not there: said, nothing left behind.
    QVERIFY(!writeSiteReport(dir.filePath(QStringLiteral("gone/site.pdf")), rows, QString(), &error));
    QVERIFY(error.contains(QStringLiteral("gone")));
}

void tst_SiteJournal::unusableJournalIsSaidOnceAndPollingGoesOn_data()
{
    QTest::addColumn<bool>("newer");
    QTest::newRow("chosen in a read-only folder") << false;
    QTest::newRow("made by a newer version") << true;
}

void tst_SiteJournal::unusableJournalIsSaidOnceAndPollingGoesOn()
{
    QFETCH(bool, newer);
    QTemporaryDir settings;
    qputenv("DORVIK_SETTINGS_DIR", settings.path().toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("DORVIK_SETTINGS_DIR"); });
    TinyDisk disk;
    QString path;
    if (newer) {
        path = JournalKeeper::defaultPath();
        {
            SiteJournal made;
            QString error;
            QVERIFY2(made.open(path, &error), qPrintable(error));
        }
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        d.setDatabaseName(path);
        QVERIFY(d.open());
        QSqlQuery(d).exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        QSqlQuery(d).exec(QStringLiteral("PRAGMA user_version = %1").arg(SiteJournal::SCHEMA_VERSION + 1));
        d.close();
        d = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    } else {
        // Read-only for anyone, root too: a file system mounted so.
        if (!disk.makeReadOnly())
            QSKIP("no read-only file system could be mounted here");
        path = QDir(disk.path()).filePath(QStringLiteral("site.journal"));
        QFile ini(QDir(settings.path()).filePath(QStringLiteral("KVR_Dorvik.con")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[JOURNAL]\r\nFILE=" + path.toUtf8() + "\r\n");
    }
    QFile file(path);
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();

    MessageBoxCatcher catcher;
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(15000));
    QTRY_COMPARE_WITH_TIMEOUT(catcher.boxes.size(), 1, 20000);
    QVERIFY2(catcher.boxes[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(catcher.boxes[0].text));
    // Polling goes on, past the journal's next updates, and nothing more is said.
    const std::size_t mark = fmMain->record->size();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->elapsedMs() > 2 * JournalKeeper::UPDATE_MS + 1000, 30000);
    QVERIFY(fmMain->record->size() > mark + 10);
    QCOMPARE(catcher.boxes.size(), 1);
    if (newer) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
}

QTEST_MAIN(tst_SiteJournal)
#include "tst_sitejournal.moc"
