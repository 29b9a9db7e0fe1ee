#include "serial/PortDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {
QString devicePath(const QString& portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

#ifdef Q_OS_LINUX
// A device we may not open cannot be asked for its terminal settings; the kernel still
// tells its class. Pseudo-terminals have no entry there and count as terminals.
bool classedAsOtherThanTty(dev_t device)
{
    const QString entry = QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(major(device)).arg(minor(device));
    const QString subsystem = QFile::symLinkTarget(entry);
    return !subsystem.isEmpty() && QFileInfo(subsystem).fileName() != QLatin1String("tty");
}
#endif
}  // namespace

QString portHolder(const QString& devicePath)
{
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        const QString fdDir = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        // Other users' processes are closed to us unless we are root; they are skipped.
        const QStringList fds = QDir(fdDir).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& fd : fds) {
            if (QFile::symLinkTarget(fdDir + QLatin1Char('/') + fd) != target)
                continue;
            QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                return QString::fromLocal8Bit(comm.readAll()).trimmed();
            return QStringLiteral("PID ") + pid;
        }
    }
#else
    Q_UNUSED(devicePath);
#endif
    return QString();
}

PortTrouble diagnosePort(const QString& portName)
{
    PortTrouble t;
    t.port = portName;
#ifdef Q_OS_LINUX
    const QString path = devicePath(portName);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st;
    if (::stat(encoded.constData(), &st) != 0) {
        t.kind = PortTrouble::Gone;
        return t;
    }
    // Only a terminal has a holder worth naming: every program has /dev/null open. A pipe is
    // not even opened, it could wait for a writer.
    if (!S_ISCHR(st.st_mode)) {
        t.kind = PortTrouble::NotSerial;
        return t;
    }
    const int fd = ::open(encoded.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int openError = errno;
    if (fd >= 0) {
        termios settings;
        const bool terminal = ::tcgetattr(fd, &settings) == 0;
        ::close(fd);
        if (!terminal) {
            t.kind = PortTrouble::NotSerial;
            return t;
        }
    } else if (classedAsOtherThanTty(st.st_rdev)) {
        t.kind = PortTrouble::NotSerial;
        return t;
    }
    t.holder = portHolder(path);
    if (!t.holder.isEmpty()) {
        t.kind = PortTrouble::Busy;
        return t;
    }
    if (fd >= 0)
        return t;  // it opens now: nothing to tell
    switch (openError) {
    case EACCES:
    case EPERM: t.kind = PortTrouble::NoPermission; break;
    case EBUSY: t.kind = PortTrouble::Busy; break;
    case ENOENT:
    case ENODEV:
    case ENXIO: t.kind = PortTrouble::Gone; break;
    default: break;
    }
#endif
    return t;
}
