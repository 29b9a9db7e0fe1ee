#include "connection/DetectorConnection.h"
#include "PseudoTerminal.h"
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/texts.h"
#include "serial/PortDiagnosis.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The name the system shows for this process (at most 15 characters).
QString ownName() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15); }

// Something that is no serial port, made in dir: "/dev/null" is taken as it is.
QString makeNonPort(const QDir& dir, const QString& kind)
{
    if (kind == QLatin1String("/dev/null"))
        return kind;
    const QString path = dir.filePath(kind);
    if (kind == QLatin1String("folder"))
        dir.mkpath(kind);
    else if (kind == QLatin1String("pipe"))
        ::mkfifo(QFile::encodeName(path).constData(), 0666);
    else {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("root:x:0:0:root:/root:/bin/sh\n");
    }
    return path;
}
}  // namespace

class tst_PortDiagnosis : public QObject {
    Q_OBJECT
private slots:
    void goneDevice();
    void heldDeviceNamesItsHolder();
    void forbiddenDevice();
    void failedSearchExplainsThePort();
    void notASerialPort_data();
    void notASerialPort();
    void failedSearchSaysNotASerialPort_data();
    void failedSearchSaysNotASerialPort();
    void troubleTexts_data();
    void troubleTexts();

private:
    QTemporaryDir FDir;
};

void tst_PortDiagnosis::goneDevice()
{
    const PortTrouble t = diagnosePort(QStringLiteral("/dev/ttyUSB-not-there"));
    QCOMPARE(t.kind, PortTrouble::Gone);
    QCOMPARE(diagnosePort(QStringLiteral("ttyUSB-not-there")).kind, PortTrouble::Gone);
}

void tst_PortDiagnosis::heldDeviceNamesItsHolder()
{
    PseudoTerminal pty;
    QCOMPARE(diagnosePort(pty.slavePath()).kind, PortTrouble::None);  // opens fine
    QFile holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    const PortTrouble t = diagnosePort(pty.slavePath());
    QCOMPARE(t.kind, PortTrouble::Busy);
    QCOMPARE(t.holder, ownName());
}

void tst_PortDiagnosis::forbiddenDevice()
{
    PseudoTerminal pty;
    const QByteArray path = QFile::encodeName(pty.slavePath());
    QVERIFY(::chmod(path.constData(), 0600) == 0);
    if (::geteuid() != 0) {
        QVERIFY(::chmod(path.constData(), 0000) == 0);
        QCOMPARE(diagnosePort(pty.slavePath()).kind, PortTrouble::NoPermission);
        return;
    }
    // Root opens anything: ask as an ordinary user from a child process.
    int pipeFd[2];
    QVERIFY(::pipe(pipeFd) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFd[0]);
        char kind = 'x';
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            kind = char('0' + diagnosePort(pty.slavePath()).kind);
        (void)!::write(pipeFd[1], &kind, 1);
        ::_exit(0);
    }
    ::close(pipeFd[1]);
    char kind = 0;
    QCOMPARE(::read(pipeFd[0], &kind, 1), ssize_t(1));
    ::close(pipeFd[0]);
    ::waitpid(child, nullptr, 0);
    QCOMPARE(kind, char('0' + PortTrouble::NoPermission));
}

void tst_PortDiagnosis::failedSearchExplainsThePort()
{
    SimulatedDetector unit;
    QVERIFY(unit.open());
    QSerialPort other;  // another program has the port
    other.setPortName(unit.slavePath());
    QVERIFY(other.open(QIODevice::ReadWrite));
    ProgramFixture program({unit.slavePath()});
    program.start();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), QString::fromUtf8(MSG_NOT_FOUND), 10000);
    QCOMPARE(fmMain->stText->text(), QString::fromUtf8(C1));  // the explanation stays as it was
    QVERIFY(fmMain->stPortTrouble->isVisible());
    QCOMPARE(fmMain->stPortTrouble->text(), QString::fromUtf8(PORT_BUSY_BY).arg(unit.slavePath(), ownName()));
    // The connection log keeps exactly its lines.
    const QByteArray log = program.readFile(QStringLiteral("Connect.txt"));
    QCOMPARE(log.count("\r\n"), 4);
    QVERIFY(log.endsWith(QByteArray("\r\n") + "\xcd\xe5\xf3\xf1\xef\xe5\xf8\xed\xee!\r\n"));
    QCOMPARE(unit.requests().size(), 0);

    other.close();  // the next search has nothing to explain
    fmMain->bbFind->click();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 10000);
    QVERIFY(!fmMain->stPortTrouble->isVisible());
}

void tst_PortDiagnosis::notASerialPort_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("/dev/null") << "/dev/null";
    QTest::newRow("folder") << "folder";
    QTest::newRow("regular file") << "regular file";
    QTest::newRow("pipe") << "pipe";
}

void tst_PortDiagnosis::notASerialPort()
{
    QFETCH(QString, kind);
    const QString path = makeNonPort(QDir(FDir.path()), kind);
    QVERIFY(QFileInfo::exists(path));
    // Held open here, so that a holder would be found if anybody looked for one.
    QFile held(path);
    if (kind != QLatin1String("folder") && kind != QLatin1String("pipe"))
        QVERIFY(held.open(QIODevice::ReadOnly));
    const PortTrouble t = diagnosePort(path);
    QCOMPARE(t.kind, PortTrouble::NotSerial);
    QCOMPARE(t.holder, QString());
}

void tst_PortDiagnosis::failedSearchSaysNotASerialPort_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("/dev/null") << "/dev/null";
    QTest::newRow("folder") << "folder";
    QTest::newRow("regular file") << "regular file";
}

void tst_PortDiagnosis::failedSearchSaysNotASerialPort()
{
    QFETCH(QString, kind);
    const QString path = makeNonPort(QDir(FDir.path()), kind);
    QFile held(QStringLiteral("/dev/null"));
    QVERIFY(held.open(QIODevice::ReadOnly));  // a process that has /dev/null open: this one
    ProgramFixture program({path});
    program.start();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), QString::fromUtf8(MSG_NOT_FOUND), 10000);
    QCOMPARE(fmMain->stText->text(), QString::fromUtf8(C1));
    QVERIFY(fmMain->stPortTrouble->isVisible());
    QCOMPARE(fmMain->stPortTrouble->text(), QString::fromUtf8(PORT_NOT_SERIAL).arg(path));
}

void tst_PortDiagnosis::troubleTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("line");
    QTest::newRow("no permission")
        << int(PortTrouble::NoPermission) << QString()
        << "Нет доступа к порту /dev/ttyUSB0: добавьте пользователя в группу dialout и войдите в систему заново.";
    QTest::newRow("held by a program")
        << int(PortTrouble::Busy) << "minicom"
        << "Порт /dev/ttyUSB0 занят программой minicom: закройте её и повторите поиск.";
    QTest::newRow("held by the modem daemon")
        << int(PortTrouble::Busy) << "ModemManager"
        << "Порт /dev/ttyUSB0 занят программой ModemManager: установите правила udev из пакета или "
           "остановите ModemManager.";
    QTest::newRow("held by the braille daemon")
        << int(PortTrouble::Busy) << "brltty"
        << "Порт /dev/ttyUSB0 занят программой brltty: удалите пакет brltty, он захватывает адаптеры USB.";
    QTest::newRow("held by someone unseen")
        << int(PortTrouble::Busy) << QString()
        << "Порт /dev/ttyUSB0 занят другой программой: закройте её и повторите поиск.";
    QTest::newRow("gone") << int(PortTrouble::Gone) << QString()
                          << "Порт /dev/ttyUSB0 пропал из системы: проверьте кабель USB.";
    QTest::newRow("not a serial port")
        << int(PortTrouble::NotSerial) << QString()
        << "/dev/ttyUSB0 не является последовательным портом: укажите порт адаптера USB.";
    QTest::newRow("nothing to tell") << int(PortTrouble::None) << QString() << QString();
}

void tst_PortDiagnosis::troubleTexts()
{
    QFETCH(int, kind);
    QFETCH(QString, holder);
    QFETCH(QString, line);
    ProgramFixture program;
    PortTrouble t;
    t.kind = PortTrouble::Kind(kind);
    t.port = QStringLiteral("/dev/ttyUSB0");
    t.holder = holder;
    fmMain->ShowPortTroubles({t});
    QCOMPARE(fmMain->stPortTrouble->text(), line);
}

QTEST_MAIN(tst_PortDiagnosis)
#include "tst_portdiagnosis.moc"
