#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

PseudoTerminal::PseudoTerminal()
{
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (FMaster < 0)
        return;
    if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) {
        close();
        return;
    }
    FSlave = QString::fromLocal8Bit(::ptsname(FMaster));
    termios t{};
    ::tcgetattr(FMaster, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(FMaster, TCSANOW, &t);
}

PseudoTerminal::~PseudoTerminal() { close(); }

void PseudoTerminal::write(const QByteArray& bytes)
{
    if (FMaster >= 0)
        (void)!::write(FMaster, bytes.constData(), size_t(bytes.size()));
}

QByteArray PseudoTerminal::read(int waitMs, int minBytes)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (FMaster >= 0 && got.size() < minBytes && clock.elapsed() < waitMs) {
        // Let the program's side run too: it lives on this thread's event loop.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{FMaster, POLLIN, 0};
        if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = ::read(FMaster, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
    }
    return got;
}

bool PseudoTerminal::reachedProgram(int waitMs) const
{
    // The program's descriptor for the slave, found among this process's open files.
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& entry : fds.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(entry)) != FSlave)
            continue;
        pollfd p{entry.toInt(), POLLIN, 0};
        if (::poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN))
            return true;
    }
    return false;
}

int PseudoTerminal::programBaud() const
{
    termios t{};
    if (FMaster < 0 || ::tcgetattr(FMaster, &t) != 0)
        return 0;
    switch (::cfgetospeed(&t)) {
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return -1;
    }
}

void PseudoTerminal::close()
{
    if (FMaster >= 0)
        ::close(FMaster);
    FMaster = -1;
}
