// The program as the installer's system runs it: a termination signal closes it the normal
// way, and a refused command line ends it with status 1.
#include "connection/texts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_Startup : public QObject {
    Q_OBJECT
private slots:
    void terminationSignal_data();
    void terminationSignal();
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
    const QString program = qEnvironmentVariable("DORVIK_TEST_BINARY_DIR") + "/src/dorvik_m_wizard";
    if (!QFileInfo::exists(program))
        QSKIP("the program is not built");
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DORVIK_SERIAL_PORTS", "");
    env.insert("DORVIK_SETTINGS_DIR", dir.path());
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.start(program, arguments);
    QVERIFY(process.waitForStarted());
    // The report file is created after the signals are taken over.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QString::fromUtf8(REPORT_FILE))), 10000);

    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QFile settings(dir.filePath(QString::fromUtf8(SETTINGS_FILE)));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().startsWith("[INTERF]\r\nTOP="));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
