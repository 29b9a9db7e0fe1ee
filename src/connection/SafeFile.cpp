#include "connection/SafeFile.h"

#include "connection/texts.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
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

QString SafeFile::writeErrorText(int error)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QString::fromUtf8(WRITE_NO_SPACE);
    case EFBIG: return QString::fromUtf8(WRITE_TOO_LARGE);
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

bool SafeFile::writeAll(QFileDevice& file, const QByteArray& bytes, QString* why)
{
#ifdef Q_OS_UNIX
    // Straight to the descriptor: QFile counts a write that fell short as done, or fails it
    // with "Unknown error" once the disk is full.
    if (!file.flush()) {
        *why = file.errorString();
        return false;
    }
    const int fd = file.handle();
    struct stat st {};
    const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing without saying why has met the end of the disk.
            *why = writeErrorText(n < 0 ? errno : ENOSPC);
            if (before >= 0 && left < bytes.size()) {
                [[maybe_unused]] const int cut = ::ftruncate(fd, before);
            }
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
#else
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    *why = file.errorString();
    return false;
#endif
}

QString WholeFile::target(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A link to a file not created yet: the file goes where the link points.
    QString at = path;
    for (int hops = 0; hops < 40 && QFileInfo(at).isSymLink(); ++hops)
        at = QFileInfo(at).symLinkTarget();
    return at;
}

void WholeFile::fail(const QString& why)
{
    FFailed = true;
    FError = why + QLatin1Char(' ') + QString::fromUtf8(FHadFile ? WRITE_OLD_KEPT : WRITE_NOTHING_LEFT);
    if (FFile.isOpen())
        FFile.cancelWriting();
}

bool WholeFile::open()
{
    const QString refused = SafeFile::refusal(FPath);
    if (!refused.isEmpty()) {
        FFailed = true;
        FError = refused;
        return false;
    }
    const QString at = target(FPath);
    FHadFile = QFileInfo::exists(at);
    FFile.setFileName(at);
    if (!FFile.open(QIODevice::WriteOnly)) {
        fail(FFile.errorString());
        return false;
    }
    return true;
}

bool WholeFile::write(const QByteArray& bytes)
{
    if (FFailed || !FFile.isOpen())
        return false;
    QString why;
    if (SafeFile::writeAll(FFile, bytes, &why))
        return true;
    fail(why);
    return false;
}

bool WholeFile::commit()
{
    if (FFailed || !FFile.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // QSaveFile ignores a failed sync; some file systems say only then that the disk is full.
    if (::fsync(FFile.handle()) != 0) {
        fail(SafeFile::writeErrorText(errno));
        return false;
    }
#endif
    if (!FFile.commit()) {
        fail(FFile.errorString());
        return false;
    }
#ifdef Q_OS_UNIX
    // The rename itself reaches the disk with its folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(FFile.fileName()).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
    return true;
}
