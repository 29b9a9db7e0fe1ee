#pragma once
#include <QFile>
#include <QSaveFile>
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

    // Writes every byte of bytes to file at its end, past any buffering. False when some did
    // not get there, with why in the user's words (a full disk named as such); the file is then
    // cut back to what it held before, so that no half line stays in it.
    static bool writeAll(QFileDevice& file, const QByteArray& bytes, QString* why);
    // The user's words for a failed write's error number.
    static QString writeErrorText(int error);

private:
    QString FPath;  // the handle opened from a descriptor no longer knows its name
};

// A file replaced whole or not at all: written beside its target (through a link, into the
// folder of the file the link leads to, so the link stays), flushed to the disk and renamed
// over the target only once every byte got there. Until then, and after any failure, the old
// file stays as it was. What SafeFile refuses (a device, a pipe, a folder) is refused here too.
class WholeFile {
public:
    explicit WholeFile(const QString& path) : FPath(path) {}

    bool open();
    // False once any write has fallen short; later writes then do nothing.
    bool write(const QByteArray& bytes);
    // False when anything failed on the way; the old file is then untouched. Without a
    // commit the new copy is thrown away.
    bool commit();
    // Why it failed, in the user's words.
    QString errorString() const { return FError; }

    // Where path leads: the file behind a link, even one not yet created.
    static QString target(const QString& path);

private:
    void fail(const QString& why);

    QString FPath;
    QSaveFile FFile;
    QString FError;
    bool FFailed = false;
    bool FHadFile = false;
};
