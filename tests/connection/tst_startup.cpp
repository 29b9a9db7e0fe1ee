// The program as the installer's system runs it: a termination signal or a lost display closes
// it at any moment, boxes at start-up included, with the settings written; a refused command
// line ends it with status 1; a kill while it writes its settings leaves them whole.
#include "ProgramWithUnit.h"
#include "SimulatedDetector.h"
#include "connection/TextCodec.h"
#include "connection/texts.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>

namespace {
enum Moment { ReportBox, StartupBoxes, CommandLineBox, Searching, Polling, ReceiveErrorBox, Countdown };

// Written in forms the program reads but never writes itself: the file reads back in the
// program's own form only once the program has written it.
const QByteArray kSavedSettings = "[INTERF]\r\nTOP=0x64\r\nLEFT=$78\r\nRING=$0\r\n";
const QByteArray kWrittenSettings = "[INTERF]\r\nTOP=100\r\nLEFT=120\r\nRING=0\r\nAIM=0\r\n";

QString programPath() { return qEnvironmentVariable("DORVIK_TEST_BINARY_DIR") + "/src/dorvik_m_wizard"; }

// The process's only thread waits in the event loop: a box's or the window's. Nothing before
// the first box polls, so at start-up this means a box is up.
bool waitingForEvents(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/syscall").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const long number = f.readAll().split(' ').value(0).toLong();
#ifdef SYS_poll
    if (number == SYS_poll)
        return true;
#endif
    return number == SYS_ppoll;
}

bool fileHolds(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(text);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program started on a scratch folder that holds its settings, its report and its log.
struct Run {
    QTemporaryDir dir;
    QProcess process;
    QString settings() const { return dir.filePath(QString::fromUtf8(SETTINGS_FILE)); }

    void start(const QStringList& ports, const QStringList& arguments, const QString& platform = "offscreen",
               const QString& display = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        if (!display.isEmpty())
            env.insert("DISPLAY", display);
        env.insert("DORVIK_SERIAL_PORTS", ports.join(':'));
        env.insert("DORVIK_SETTINGS_DIR", dir.path());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(programPath(), arguments);
    }
};
}  // namespace
Q_DECLARE_METATYPE(Moment)

class tst_Startup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void signalAt_data();
    void signalAt();
    void lostDisplay();
    void killedWhileWritingSettings();
};

void tst_Startup::initTestCase()
{
    if (!QFileInfo::exists(programPath()))
        QSKIP("the program is not built");
}

void tst_Startup::signalAt_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<int>("exitCode");
    const struct {
        const char* name;
        Moment moment;
        int exitCode;
    } moments[] = {
        {"the report's box at start-up", ReportBox, 0},
        {"the settings' and the report's boxes at start-up", StartupBoxes, 0},
        // The signal answers the error box, as a user pressing OK would.
        {"the refused command line's box", CommandLineBox, 1},
        {"searching", Searching, 0},
        {"polling", Polling, 0},
        {"the receive-error box", ReceiveErrorBox, 0},
        {"the lost-link countdown", Countdown, 0},
    };
    for (const auto& [name, number] : {std::pair{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}})
        for (const auto& m : moments)
            QTest::addRow("%s, %s", name, m.name) << number << m.moment << m.exitCode;
}

void tst_Startup::signalAt()
{
    QFETCH(int, signal);
    QFETCH(Moment, moment);
    QFETCH(int, exitCode);
    EmptyPortThenUnit line;
    QVERIFY(line.open());
    SimulatedDetector& empty = line.empty;
    SimulatedDetector& unit = line.unit;

    Run run;
    const QString report = run.dir.filePath(QString::fromUtf8(REPORT_FILE));
    const QString connectLog = run.dir.filePath(QString::fromUtf8(CONNECT_LOG_FILE));
    const bool settingsPipe = moment == StartupBoxes;
    if (settingsPipe) {
        QCOMPARE(::mkfifo(QFile::encodeName(run.settings()).constData(), 0600), 0);
    } else {
        QFile f(run.settings());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kSavedSettings);
    }
    if (moment == ReportBox || moment == StartupBoxes)
        QVERIFY(QFile::link("/dev/null", report));
    const bool withPorts = moment >= Searching;
    run.start(withPorts ? line.ports() : QStringList(),
              moment == CommandLineBox ? QStringList{"-ADDR0"} : QStringList());
    QVERIFY(run.process.waitForStarted());
    const qint64 pid = run.process.processId();

    const QByteArray found = toCp1251(QString::fromUtf8(LOG_SUCCESS));
    switch (moment) {
    case ReportBox:
    case StartupBoxes:
    case CommandLineBox:
        QTRY_VERIFY_WITH_TIMEOUT(waitingForEvents(pid), 20000);
        break;
    case Searching:
        QTRY_VERIFY_WITH_TIMEOUT(!empty.requests().isEmpty(), 20000);
        break;
    case Polling:
        QTRY_VERIFY_WITH_TIMEOUT(fileHolds(connectLog, found), 30000);
        break;
    case ReceiveErrorBox: {
        QTRY_VERIFY_WITH_TIMEOUT(fileHolds(connectLog, found), 30000);
        QElapsedTimer sinceRequest;
        sinceRequest.start();
        connect(&unit, &SimulatedDetector::requestReceived, &unit, [&](const SimRequest&) {
            unit.corruptNext(4);
            sinceRequest.restart();
        });
        // The exchange stops while the box is up: a second without a request after a spoilt reply.
        const qsizetype before = unit.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(unit.requests().size() > before && sinceRequest.elapsed() > 1000, 20000);
        break;
    }
    case Countdown: {
        QTRY_VERIFY_WITH_TIMEOUT(fileHolds(connectLog, found), 30000);
        unit.setSilent(true);
        // A few unanswered requests: the link is reported lost and the recovery counts down.
        const qsizetype before = unit.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(unit.requests().size() >= before + 3, 20000);
        break;
    }
    }

    QElapsedTimer ending;
    ending.start();
    QCOMPARE(::kill(pid_t(pid), signal), 0);
    QVERIFY2(run.process.waitForFinished(10000), "the program did not end within 10 s of the signal");
    qInfo("ended %lld ms after the signal", ending.elapsed());
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), exitCode);
    if (settingsPipe) {
        // Not ours to write: it stays the pipe it was.
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(run.settings()).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    } else {
        QCOMPARE(readAll(run.settings()), kWrittenSettings);
    }
}

void tst_Startup::lostDisplay()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed (package xvfb): the lost display cannot be staged");
    // -displayfd: the server picks a free display itself and says which once it accepts clients.
    QProcess server;
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
    const QString display = ':' + QString::fromLatin1(server.readLine().trimmed());

    Run run;
    {
        QFile f(run.settings());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kSavedSettings);
    }
    run.start({}, {}, "xcb", display);
    QVERIFY(run.process.waitForStarted());
    // The window is up and the loop runs once the report is open and the program waits.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.dir.filePath(QString::fromUtf8(REPORT_FILE))) &&
                                 waitingForEvents(run.process.processId()),
                             20000);

    QElapsedTimer ending;
    ending.start();
    server.kill();
    QVERIFY(server.waitForFinished(10000));
    QVERIFY2(run.process.waitForFinished(10000), "the program did not end within 10 s of losing its display");
    qInfo("ended %lld ms after the display went", ending.elapsed());
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(readAll(run.settings()), kWrittenSettings);
}

void tst_Startup::killedWhileWritingSettings()
{
    if (!QFileInfo::exists(programPath()))
        QSKIP("the program is not built");
    QTemporaryDir dir;
    const QString settings = dir.filePath(QString::fromUtf8(SETTINGS_FILE));
    const QString report = dir.filePath(QString::fromUtf8(REPORT_FILE));
    // Written by hand: the program's own writing (CR LF, its keys) differs from it.
    const QByteArray old = "[REPORT]\nSITE=North gate\nINSTALLER=Ivanov\n[INTERF]\nRING=0\n";
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DORVIK_SERIAL_PORTS", "");
    env.insert("DORVIK_SETTINGS_DIR", dir.path());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    const auto startOnce = [&]() -> bool {
        QFile::remove(report);
        QFile f(settings);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(old) != old.size())
            return false;
        f.close();
        process.start(programPath(), {});
        // The report appears once the window is up, long after the signals are taken over.
        return process.waitForStarted() && QTest::qWaitFor([&] { return QFile::exists(report); }, 15000);
    };

    // What a whole write leaves: the program closed normally.
    QVERIFY(startOnce());
    QElapsedTimer closing;
    closing.start();
    process.terminate();
    QVERIFY(process.waitForFinished(15000));
    // A slow build closes for longer than the 8 ms a release build takes: the kills spread
    // over all of it.
    const qint64 windowUs = qMax<qint64>(8000, closing.nsecsElapsed() / 1000);
    const QByteArray written = readAll(settings);
    QVERIFY(written.startsWith("[REPORT]\r\nSITE=North gate\r\n"));
    QVERIFY(written != old);

    // Killed at a random moment of its closing; the moment only spreads the tries over the
    // write, the outcome must be the same for every one of them.
    QRandomGenerator random(1251);
    QElapsedTimer clock;
    clock.start();
    int tries = 0, kept = 0, replaced = 0;
    for (; tries < 100 && clock.elapsed() < 60000; ++tries) {
        QVERIFY(startOnce());
        process.terminate();
        QThread::usleep(unsigned(random.bounded(windowUs + 1)));
        process.kill();
        QVERIFY(process.waitForFinished(15000));
        const QByteArray now = readAll(settings);
        QVERIFY2(now == old || now == written, now.constData());
        ++(now == old ? kept : replaced);
    }
    qInfo("%d kills within %lld us: %d left the old settings, %d the new ones", tries, windowUs, kept, replaced);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
