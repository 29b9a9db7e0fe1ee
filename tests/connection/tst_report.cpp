// The report of lost links: its line format and bytes, and a report that cannot be created.
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "connection/ReportFile.h"
#include "connection/texts.h"

#include <QtTest>

class tst_Report : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void line_data();
    void line();
    void addEventWritesThrough();
    void reportThatCannotBeCreated();

private:
    QTemporaryDir FSettings;
};

void tst_Report::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Report::line_data()
{
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<QByteArray>("stamp");
    QTest::newRow("no leading zeros") << QDateTime({2026, 3, 5}, {9, 15, 7}) << QByteArray("5.3.2026.  9:15:7 ");
    QTest::newRow("two digits everywhere") << QDateTime({1999, 12, 31}, {23, 59, 59})
                                           << QByteArray("31.12.1999.  23:59:59 ");
    QTest::newRow("midnight") << QDateTime({2030, 1, 1}, {0, 0, 0}) << QByteArray("1.1.2030.  0:0:0 ");
}

void tst_Report::line()
{
    QFETCH(QDateTime, at);
    QFETCH(QByteArray, stamp);
    // "Обрыв связи" in windows-1251.
    QCOMPARE(ReportFile::line(at, QString::fromUtf8(EVENT_LINK_LOST)),
             stamp + "\xCE\xE1\xF0\xFB\xE2 \xF1\xE2\xFF\xE7\xE8\r\n");
}

void tst_Report::addEventWritesThrough()
{
    ProgramFixture program;
    fmMain->fRep->clock = [] { return QDateTime({2026, 3, 5}, {9, 15, 7}); };
    fmMain->AddEvent(QStringLiteral("A"));
    fmMain->AddEvent(QStringLiteral("B"));
    // On the disk at once, while the program still runs.
    QCOMPARE(program.readFile(QString::fromUtf8(REPORT_FILE)),
             QByteArray("5.3.2026.  9:15:7 A\r\n5.3.2026.  9:15:7 B\r\n"));
}

void tst_Report::reportThatCannotBeCreated()
{
    QTemporaryDir cwd;
    const QString old = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    QVERIFY(QDir().mkdir(QString::fromUtf8(REPORT_FILE)));
    MessageBoxCatcher catcher;
    CreateForms();  // FormCreate tells the user and goes on
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Warning);
    QVERIFY(catcher.boxes[0].text.contains(cwd.filePath(QString::fromUtf8(REPORT_FILE))));
    QVERIFY(!fmMain->fRep->isOpen());
    fmMain->AddEvent(QString::fromUtf8(EVENT_LINK_LOST));  // goes nowhere, harmlessly
    DestroyForms();
    QDir::setCurrent(old);
}

QTEST_MAIN(tst_Report)
#include "tst_report.moc"
