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
}  // namespace

class tst_PortDiagnosis : public QObject {
    Q_OBJECT
private slots:
    void goneDevice();
    void heldDeviceNamesItsHolder();
    void forbiddenDevice();
    void failedSearchExplainsThePort();
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
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->FlagReply(), 10000);
    QVERIFY(!fmMain->stPortTrouble->isVisible());
}

QTEST_MAIN(tst_PortDiagnosis)
#include "tst_portdiagnosis.moc"
