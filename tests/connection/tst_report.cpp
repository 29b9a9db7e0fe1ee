// The report of lost links: its line format and bytes, a report that cannot be created, and
// one folder's report owned by one running program.
#include "connection/DetectorConnection.h"
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "connection/ReportFile.h"
#include "panel/startup.h"
#include "connection/texts.h"

#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// Another process holds the file's lock: a probe on a description of its own is refused.
bool lockedElsewhere(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}
}  // namespace

class tst_Report : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void line_data();
    void line();
    void addEventWritesThrough();
    void reportThatCannotBeCreated();
    void secondReportRefused();
    void secondProgramInTheFolder();

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
    program.start();
    fmMain->connection->fRep->clock = [] { return QDateTime({2026, 3, 5}, {9, 15, 7}); };
    fmMain->connection->AddEvent(QStringLiteral("A"));
    fmMain->connection->AddEvent(QStringLiteral("B"));
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
    CreateForms();
    fmMain->show();  // the command line accepted, the user is told and the program goes on
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Warning);
    QVERIFY(catcher.boxes[0].text.contains(cwd.filePath(QString::fromUtf8(REPORT_FILE))));
    QVERIFY(!fmMain->connection->fRep->isOpen());
    fmMain->connection->AddEvent(QString::fromUtf8(EVENT_LINK_LOST));  // goes nowhere, harmlessly
    DestroyForms();
    QDir::setCurrent(old);
}

void tst_Report::secondReportRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8(REPORT_FILE));
    const auto content = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    };
    const auto at = [] { return QDateTime({2026, 3, 5}, {9, 15, 7}); };
    ReportFile first;
    first.clock = at;
    QVERIFY(first.open(path));
    QVERIFY(first.append(QStringLiteral("A")));

    ReportFile second;
    QVERIFY(!second.open(path));
    QVERIFY(second.busy());
    QVERIFY(!second.isOpen());
    QCOMPARE(content(), QByteArray("5.3.2026.  9:15:7 A\r\n"));
    // The first goes on where it was, with nothing between its lines.
    QVERIFY(first.append(QStringLiteral("B")));
    QCOMPARE(content(), QByteArray("5.3.2026.  9:15:7 A\r\n5.3.2026.  9:15:7 B\r\n"));

    // Once the first has closed, the next one owns the report and empties it.
    first.close();
    QVERIFY(second.open(path));
    QVERIFY(!second.busy());
    QCOMPARE(content(), QByteArray());
}

void tst_Report::secondProgramInTheFolder()
{
    const QString exe = qEnvironmentVariable("DORVIK_TEST_BINARY_DIR") + "/src/dorvik_m_wizard";
    if (!QFileInfo::exists(exe))
        QSKIP("the program is not built");
    QTemporaryDir folder, firstSettings;
    const QString report = folder.filePath(QString::fromUtf8(REPORT_FILE));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DORVIK_SERIAL_PORTS", "");
    env.insert("DORVIK_SETTINGS_DIR", firstSettings.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(folder.path());
    first.start(exe, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(lockedElsewhere(report), 15000);
    {
        // Lines the first program has written by now.
        QFile f(report);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Append));
        f.write("5.3.2026.  9:15:7 first\r\n");
    }

    {
        ProgramFixture second({}, folder.path());
        MessageBoxCatcher catcher;
        second.start();
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].text, QString::fromUtf8(REPORT_BUSY_TEXT).arg(folder.path()));
        QVERIFY(!fmMain->connection->fRep->isOpen());
        QTRY_VERIFY(fmMain->testAttribute(Qt::WA_DontShowOnScreen) && !fmMain->isVisible());
        QCOMPARE(programExitCode(), 1);
        QCOMPARE(second.readFile(QString::fromUtf8(REPORT_FILE)), QByteArray("5.3.2026.  9:15:7 first\r\n"));
    }

    first.terminate();
    QVERIFY(first.waitForFinished(15000));
    QCOMPARE(first.exitCode(), 0);
    // The folder is free again: the next program there takes the report, and so does one
    // after it in this same process once the first has closed.
    for (int run = 0; run < 2; ++run) {
        ProgramFixture next({}, folder.path());
        MessageBoxCatcher catcher;
        next.start();
        QVERIFY(fmMain->connection->fRep->isOpen());
        QCOMPARE(programExitCode(), 0);
        QCOMPARE(catcher.boxes.size(), 0);
        QCOMPARE(next.readFile(QString::fromUtf8(REPORT_FILE)), QByteArray());
    }
}

QTEST_MAIN(tst_Report)
#include "tst_report.moc"
