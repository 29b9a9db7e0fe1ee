#pragma once
#include "connection/SafeFile.h"

#include <QDateTime>
#include <QString>
#include <functional>

// The report of lost links: emptied at start, one time-stamped line per event, each written
// through to the disk at once so that a crash or a pulled plug cannot lose it. One running
// program owns the report of a folder while the file is open.
class ReportFile {
public:
    // Opens (and empties) the file; false when it cannot be created, is no regular file, or
    // another program holds it (then busy() and the file is left as it was).
    bool open(const QString& path);
    bool isOpen() const { return FFile.isOpen(); }
    bool busy() const { return FBusy; }
    QString errorString() const { return FError; }
    // False, with errorString(), when the line did not reach the disk whole; the file then
    // holds what it held before.
    bool append(const QString& ev);
    void close() { FFile.close(); }

    // The line for ev at the given moment, as the file holds it (windows-1251, CR LF).
    static QByteArray line(const QDateTime& at, const QString& ev);

    // The clock used for time stamps; tests set a fixed one.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

private:
    SafeFile FFile;
    QString FError;
    bool FBusy = false;
};
