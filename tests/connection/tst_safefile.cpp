// The files the program writes for itself — settings, report, connection log — with
// something other than a regular file in their place: a link to a device, a pipe, a socket,
// a folder. Whatever lies there stays as it was, the user is told once, and the program
// neither hangs nor stops. A link to a regular file is written through. A write that falls
// short (a full disk) fails with the reason, leaving the file as it was.
#include "connection/DetectorConnection.h"
#include "FullDisk.h"
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "PseudoTerminal.h"
#include "connection/ExchangeCapture.h"
#include "connection/IniFile.h"
#include "connection/ReportFile.h"
#include "connection/TextCodec.h"
#include "connection/texts.h"
#include "panel/widgets.h"
#include "trend/CommissioningReport.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

struct stat look(const QString& path, bool followLink)
{
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    if ((followLink ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) != 0)
        st.st_mode = 0;
    return st;
}

// A socket file that outlives the descriptor bound to it.
bool makeSocket(const QString& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    if (p.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, p.constData(), p.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

// Runs the program in dir until its search has given up on a port that does not exist —
// the connection log is written on the way — and closes it.
void runOnce(const QString& dir, const std::function<void()>& whileRunning = {})
{
    ProgramFixture program({QDir(dir).filePath(QStringLiteral("no-port"))}, dir);
    program.start();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), text(MSG_NOT_FOUND), 10000);
    if (whileRunning)
        whileRunning();
}

}  // namespace

class tst_SafeFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void strangerLeftAlone_data();
    void strangerLeftAlone();
    void linksToFilesWrittenThrough();
    void shortWrites_data();
    void shortWrites();
};

void tst_SafeFile::initTestCase()
{
    // The settings file lies in the program's working directory here, next to the others.
    qunsetenv("DORVIK_SETTINGS_DIR");
}

void tst_SafeFile::cleanupTestCase() { qunsetenv("DORVIK_SETTINGS_DIR"); }

void tst_SafeFile::strangerLeftAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QList<std::pair<const char*, const char*>> files{
        {SETTINGS_FILE, SETTINGS_ERROR_TEXT}, {REPORT_FILE, REPORT_ERROR_TEXT}, {CONNECT_LOG_FILE, CONNECT_LOG_ERROR_TEXT}};
    const QList<std::pair<const char*, const char*>> kinds{{"device link", NOT_REGULAR_DEVICE},
                                                           {"terminal link", NOT_REGULAR_DEVICE},
                                                           {"pipe", NOT_REGULAR_PIPE},
                                                           {"socket", NOT_REGULAR_SOCKET},
                                                           {"folder", NOT_REGULAR_FOLDER}};
    for (const auto& [name, head] : files)
        for (const auto& [kind, reason] : kinds)
            QTest::addRow("%s, %s", name, kind) << text(name) << text(head) << text(kind) << text(reason);
}

void tst_SafeFile::strangerLeftAlone()
{
    QFETCH(QString, name);
    QFETCH(QString, head);
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const QByteArray encoded = QFile::encodeName(path);
    QString device;
    std::unique_ptr<PseudoTerminal> terminal;  // shows whatever is written into it
    if (kind == QLatin1String("terminal link")) {
        terminal = std::make_unique<PseudoTerminal>();
        QVERIFY(terminal->isOpen());
        device = terminal->slavePath();
        QVERIFY(QFile::link(device, path));
    } else if (kind == QLatin1String("device link")) {
        // A device of our own where we may make one: a program that replaces the device it is
        // pointed at must not take the machine's /dev/zero with it when this test fails.
        device = dir.filePath(QStringLiteral("zero"));
        if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 5)) != 0)
            device = QStringLiteral("/dev/null");
        QVERIFY(QFile::link(device, path));
    } else if (kind == QLatin1String("pipe")) {
        QVERIFY(::mkfifo(encoded.constData(), 0666) == 0);
    } else if (kind == QLatin1String("socket")) {
        QVERIFY(makeSocket(path));
    } else {
        QVERIFY(QDir().mkdir(path));
    }
    const struct stat before = look(path, true);
    const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    MessageBoxCatcher catcher;
    // The program is told, and goes on: the search still runs to its end and the window closes.
    runOnce(dir.path());
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE(catcher.boxes.size(), 1);  // the connection log's box is not modal
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(catcher.boxes[0].title, text(ERROR_CAPT));
    QCOMPARE(catcher.boxes[0].text, head.arg(path, reason));
    QCoreApplication::processEvents();
    QCOMPARE(catcher.boxes.size(), 1);

    // Still what it was: the same object, of the same kind, nothing beside it.
    if (!device.isEmpty()) {
        QCOMPARE(QFileInfo(path).symLinkTarget(), device);
        QVERIFY(S_ISLNK(look(path, false).st_mode));
    }
    const struct stat after = look(path, true);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(path).isEmpty());
    if (terminal)
        QCOMPARE(terminal->read(500), QByteArray());
    QStringList expected = entriesBefore;
    for (const char* own : {SETTINGS_FILE, REPORT_FILE, CONNECT_LOG_FILE})
        if (!expected.contains(text(own)))
            expected << text(own);
    expected.sort();
    QStringList entriesAfter = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    entriesAfter.sort();
    QCOMPARE(entriesAfter, expected);
}

void tst_SafeFile::linksToFilesWrittenThrough()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("dotfiles"))));
    const QStringList names{text(SETTINGS_FILE), text(REPORT_FILE), text(CONNECT_LOG_FILE)};
    for (const QString& name : names) {
        QFile target(dir.filePath(QStringLiteral("dotfiles/") + name));
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("; kept by the user\r\n");
        target.close();
        QVERIFY(QFile::link(target.fileName(), dir.filePath(name)));
    }

    MessageBoxCatcher catcher;
    QStringList log;
    runOnce(dir.path(), [&] {
        fmMain->connection->fRep->clock = [] { return QDateTime({2026, 3, 5}, {9, 15, 7}); };
        fmMain->connection->AddEvent(text(EVENT_LINK_LOST));
        fmMain->sbZvonok->setChecked(false);
        log = logLines();
    });
    if (QTest::currentTestFailed())
        return;
    QCoreApplication::processEvents();
    QCOMPARE(catcher.boxes.size(), 0);

    for (const QString& name : names) {
        const QString link = dir.filePath(name);
        QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(name));
        QCOMPARE(QFileInfo(link).symLinkTarget(), dir.filePath(QStringLiteral("dotfiles/") + name));
    }
    auto content = [&](const QString& name) {
        QFile f(dir.filePath(QStringLiteral("dotfiles/") + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    };
    // The settings keep the user's line and gain ours; the report and the log start afresh.
    const QByteArray settings = content(names[0]);
    QVERIFY2(settings.startsWith("; kept by the user\r\n[INTERF]\r\nTOP="), settings.constData());
    QVERIFY(settings.endsWith("\r\nRING=0\r\nAIM=0\r\n"));
    QCOMPARE(content(names[1]), QByteArray("5.3.2026.  9:15:7 ") + toCp1251(text(EVENT_LINK_LOST)) + "\r\n");
    QCOMPARE(log.size(), 4);
    QCOMPARE(content(names[2]), linesToCp1251(log));
}

void tst_SafeFile::shortWrites_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<bool>("fullDisk");  // a really full disk, else a file size limit
    for (const char* writer : {"settings", "CSV", "PDF", "report", "capture"}) {
        QTest::addRow("%s, file size limit", writer) << QString::fromLatin1(writer) << false;
        QTest::addRow("%s, full disk", writer) << QString::fromLatin1(writer) << true;
    }
}

void tst_SafeFile::shortWrites()
{
    QFETCH(QString, writer);
    QFETCH(bool, fullDisk);
    QTemporaryDir scratch;
    std::unique_ptr<TinyDisk> disk;
    QString dir = scratch.path();
    if (fullDisk) {
        disk = std::make_unique<TinyDisk>();
        if (!disk->mounted())
            QSKIP("a tmpfs cannot be mounted here (needs root); the file size limit rows stand for it");
        dir = disk->path();
    }
    const QString path = QDir(dir).filePath(QStringLiteral("written"));
    const QString reason = text(fullDisk ? WRITE_NO_SPACE : WRITE_TOO_LARGE);

    // What the file holds before the failing write: an old file for those that replace it
    // whole, the lines so far for those that append.
    ReportFile report;
    ExchangeCapture capture;
    QSignalSpy captureFailed(&capture, &ExchangeCapture::failed);
    QString error;
    if (writer == QLatin1String("report")) {
        QVERIFY(report.open(path));
        QVERIFY(report.append(QStringLiteral("before")));
    } else if (writer == QLatin1String("capture")) {
        QVERIFY2(capture.open(path, {{0, 9600, true, "?0\r"}}, 0, &error), qPrintable(error));
    } else {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\r\n");
    }
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray held = before.readAll();
    before.close();

    bool written = true;
    {
        std::unique_ptr<FullDisk> limit;
        if (fullDisk)
            QVERIFY(disk->fill());
        else
            limit = std::make_unique<FullDisk>(rlim_t(held.size()) + 10);
        if (writer == QLatin1String("settings")) {
            IniFile ini;
            ini.load(path);
            ini.setValue("REPORT", "SITE", QByteArray(100, 's'));
            written = ini.save(path, &error);
        } else if (writer == QLatin1String("CSV")) {
            SessionRecord record;
            SessionSample s;
            for (int i = 0; i < 100; ++i) {
                s.ms = std::uint32_t(i * 20);
                record.add(s);
            }
            written = writeSessionCsv(record, path, &error);
        } else if (writer == QLatin1String("PDF")) {
            ReportFacts facts;
            facts.at = QDateTime({2026, 3, 5}, {9, 15});
            const SessionRecord receiver;
            written = writeCommissioningReport(path, facts, &receiver, QImage(), &error);
        } else if (writer == QLatin1String("report")) {
            written = report.append(QString(8192, QLatin1Char('r')));  // more than the block it ends in
            error = report.errorString();
        } else {
            // The live part begins with a request; its reply is more than a flush holds.
            capture.record({5, 9600, true, "?0\r"});
            capture.record({6, 9600, false, QByteArray(70 * 1024, 'c')});  // flushed at once
            written = captureFailed.isEmpty();
            error = written ? QString() : captureFailed.first().first().toString();
        }
    }
    QVERIFY(!written);
    QVERIFY2(error.contains(reason), qPrintable(error));
    if (writer != QLatin1String("report") && writer != QLatin1String("settings"))
        QVERIFY2(error.contains(path), qPrintable(error));
    if (writer == QLatin1String("settings") || writer == QLatin1String("CSV") || writer == QLatin1String("PDF"))
        QVERIFY2(error.contains(text(WRITE_OLD_KEPT)), qPrintable(error));
    report.close();
    capture.close();

    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), held);
    // No half-written copy is left beside it.
    QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    entries.removeAll(QStringLiteral("filler"));
    QCOMPARE(entries, QStringList{QStringLiteral("written")});
}

QTEST_MAIN(tst_SafeFile)
#include "tst_safefile.moc"
