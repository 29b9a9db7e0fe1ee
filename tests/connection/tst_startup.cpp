// The program as the installer's system runs it: a termination signal closes it the normal
// way, a refused command line ends it with status 1, and a kill while it writes its settings
// leaves them whole.
#include "connection/texts.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>

namespace {

QString programPath() { return qEnvironmentVariable("DORVIK_TEST_BINARY_DIR") + "/src/dorvik_m_wizard"; }

QProcessEnvironment programEnvironment(const QString& settingsDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DORVIK_SERIAL_PORTS", "");
    env.insert("DORVIK_SETTINGS_DIR", settingsDir);
    return env;
}

// The process has taken SIGTERM over: it is in the kernel's mask of caught signals.
bool catchesTermination(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

}  // namespace

class tst_Startup : public QObject {
    Q_OBJECT
private slots:
    void terminationSignal_data();
    void terminationSignal();
    void killedWhileWritingSettings();
};

void tst_Startup::terminationSignal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("searching") << QStringList() << 0;
    // The signal answers the error box, as a user pressing OK would.
    QTest::newRow("refused command line") << QStringList{"-ADDR0"} << 1;
}

void tst_Startup::terminationSignal()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    if (!QFileInfo::exists(programPath()))
        QSKIP("the program is not built");
    QTemporaryDir dir;
    QProcess process;
    process.setProcessEnvironment(programEnvironment(dir.path()));
    process.setWorkingDirectory(dir.path());
    process.start(programPath(), arguments);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesTermination(process.processId()), 10000);

    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QFile settings(dir.filePath(QString::fromUtf8(SETTINGS_FILE)));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().startsWith("[INTERF]\r\nTOP="));
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
    process.setProcessEnvironment(programEnvironment(dir.path()));
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
    const QByteArray written = contentOf(settings);
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
        const QByteArray now = contentOf(settings);
        QVERIFY2(now == old || now == written, now.constData());
        ++(now == old ? kept : replaced);
    }
    qInfo("%d kills within %lld us: %d left the old settings, %d the new ones", tries, windowUs, kept, replaced);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
