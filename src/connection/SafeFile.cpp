#include "connection/SafeFile.h"

#include "connection/texts.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
QString kindText(mode_t mode)
{
    if (S_ISDIR(mode))
        return QString::fromUtf8(NOT_REGULAR_FOLDER);
    if (S_ISFIFO(mode))
        return QString::fromUtf8(NOT_REGULAR_PIPE);
    if (S_ISSOCK(mode))
        return QString::fromUtf8(NOT_REGULAR_SOCKET);
    return QString::fromUtf8(NOT_REGULAR_DEVICE);
}
#endif

}  // namespace

QString SafeFile::refusal(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    // A path that cannot be looked at is left to the open, which tells why.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    return kindText(st.st_mode);
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    return QString::fromUtf8(info.isDir() ? NOT_REGULAR_FOLDER : NOT_REGULAR_DEVICE);
#endif
}

QString SafeFile::fileName() const
{
    const QString name = QFile::fileName();
    return name.isEmpty() ? FPath : name;
}

bool SafeFile::open(OpenMode mode)
{
    if (isOpen())
        return false;
    if (!QFile::fileName().isEmpty())
        FPath = QFile::fileName();
    // Not even opened when the look shows something else: opening a terminal may hang up
    // the modem behind it.
    const QString refused = refusal(FPath);
    if (!refused.isEmpty()) {
        setErrorString(refused);
        return false;
    }
#ifdef Q_OS_UNIX
    const bool writing = mode & WriteOnly;
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (writing)
        flags |= ((mode & ReadOnly) ? O_RDWR : O_WRONLY) | O_CREAT | ((mode & Append) ? O_APPEND : 0);
    else
        flags |= O_RDONLY;
    const int fd = ::open(QFile::encodeName(FPath).constData(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        // A pipe without a reader refuses a writer that will not wait.
        const QString swapped = refusal(FPath);
        setErrorString(swapped.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : swapped);
        return false;
    }
    struct stat st {};
    const bool looked = ::fstat(fd, &st) == 0;
    if (!looked || !S_ISREG(st.st_mode)) {
        const QString why = looked ? kindText(st.st_mode) : QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        setErrorString(why);
        return false;
    }
    // A regular file never blocks; the flag only guarded the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const bool truncate = (mode & Truncate) || (writing && !(mode & (Append | ReadOnly)));
    if (truncate && ::ftruncate(fd, 0) != 0) {
        setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return false;
    }
    if (!QFile::open(fd, mode & ~OpenMode(Truncate), AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    setFileName(FPath);
    return QFile::open(mode);
#endif
}
