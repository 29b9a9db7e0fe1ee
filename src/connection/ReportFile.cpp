#include "connection/ReportFile.h"

#include "connection/TextCodec.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/file.h>
#endif

bool ReportFile::open(const QString& path)
{
    FFile.close();
    FBusy = false;
    FError.clear();
    FFile.setFileName(path);
    // Appended to: every line lands at the end of the file, whatever else has cut it.
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        FError = FFile.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // Refusing a second copy in the folder beats two copies emptying and mixing one report.
    if (::flock(FFile.handle(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        FBusy = error == EWOULDBLOCK;
        FError = QString::fromLocal8Bit(std::strerror(error));
        FFile.close();
        return false;
    }
#endif
    // Emptied only once it is ours.
    if (!FFile.resize(0)) {
        FError = FFile.errorString();
        FFile.close();
        return false;
    }
    return true;
}

bool ReportFile::append(const QString& ev)
{
    if (!FFile.isOpen())
        return true;
    return SafeFile::writeAll(FFile, line(clock(), ev), &FError);
}

QByteArray ReportFile::line(const QDateTime& at, const QString& ev)
{
    // Every number without leading zeros: "5.3.2026.  9:15:7 ".
    const QDate d = at.date();
    const QTime t = at.time();
    const QString text = QStringLiteral("%1.%2.%3.  %4:%5:%6 ")
                             .arg(d.day())
                             .arg(d.month())
                             .arg(d.year())
                             .arg(t.hour())
                             .arg(t.minute())
                             .arg(t.second()) +
                         ev;
    return linesToCp1251({text});
}
