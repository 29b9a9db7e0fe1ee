#pragma once
#include <QFile>
#include <QString>

// A file the program writes for itself: the settings, the report and the connection log. It
// opens only where its path leads to a regular file, through symbolic links, or to nothing
// yet. A device, a pipe, a socket or a folder in its place is left as it was and the reason
// becomes the error string, in the user's words. Nothing on the way can block: a pipe is
// never waited on, and a path swapped for something else between the look and the open is
// caught on the opened handle itself.
class SafeFile : public QFile {
public:
    SafeFile() = default;
    explicit SafeFile(const QString& path) : QFile(path) {}

    // ReadOnly, or WriteOnly with or without Truncate or Append; a missing file is created
    // for writing.
    bool open(OpenMode mode) override;
    QString fileName() const override;

    // Why path is not ours to open, in the user's words; empty for a regular file, a link to
    // one, or nothing at all.
    static QString refusal(const QString& path);

private:
    QString FPath;  // the handle opened from a descriptor no longer knows its name
};
