// The site journal from the program's side: a unit found is in the journal under the section
// the installer named, ended when the program closes, and the next run proposes the section.
#include "ProgramWithUnit.h"
#include "journal/SiteJournal.h"
#include "trend/JournalKeeper.h"
#include "trend/JournalWindow.h"
#include "trend/SiteReport.h"
#include "trend/TrendWindow.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

class tst_SiteJournal : public QObject {
    Q_OBJECT
private slots:
    void sessionIsKeptUnderItsSectionAcrossRuns();
    void siteReportPrintsTheTableAndLeavesRoomForSectionPages();
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

    // A folder that is not there: said, nothing left behind.
    QVERIFY(!writeSiteReport(dir.filePath(QStringLiteral("gone/site.pdf")), rows, QString(), &error));
    QVERIFY(error.contains(QStringLiteral("gone")));
}

QTEST_MAIN(tst_SiteJournal)
#include "tst_sitejournal.moc"
