#include "serial/PortDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
QString devicePath(const QString& portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
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
    if (!QFileInfo::exists(path)) {
        t.kind = PortTrouble::Gone;
        return t;
    }
    t.holder = portHolder(path);
    if (!t.holder.isEmpty()) {
        t.kind = PortTrouble::Busy;
        return t;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return t;  // it opens now: nothing to tell
    }
    switch (errno) {
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
