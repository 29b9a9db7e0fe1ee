#pragma once
// Reads an exchange capture a line at a time, so that a capture of any length is played or
// looked through in the same small memory: the next record, the gaps between recorded
// stretches, and any line that is not a capture's, with its number.
#include "serial/CaptureFormat.h"

#include <QFile>
#include <functional>
#include <QString>

class CaptureReader {
public:
    enum Item { Record, Gap, End, Error };

    // False with errorString() when the file is missing, not a regular file, larger than any
    // capture, unreadable or no capture at all. A UTF-8 byte-order mark an editor put before the
    // first line is passed over.
    bool open(const QString& path);
    // Reads a capture through to its end, handing each record to each (if given), so that a
    // bad line is found before playing begins; false with errorString()'s text in error.
    static bool readThrough(const QString& path, QString* error,
                            const std::function<void(const CaptureRecord&)>& each = {});

    // The next record or gap; End once the file is through (a last line without its line end is
    // read when it is a whole record, and otherwise taken for one cut short); Error, for good,
    // at a line that is neither a record nor a comment, or when the file cannot be read on.
    Item next();

    const CaptureRecord& record() const { return FRecord; }
    // The gap just read: the last time before it and the first after it, in ms.
    qint64 gapFromMs() const { return FGapFrom; }
    qint64 gapToMs() const { return FGapTo; }
    // "path:line: why" for a bad line, "path: why" for the file as a whole.
    QString errorString() const { return FError; }
    // The line of the item just read.
    int lineNumber() const { return FLine; }

private:
    Item fail(const QString& message);

    QFile FFile;
    QString FPath;
    QByteArray FBuffer;  // one line at a time, never more than CAPTURE_LINE_MAX
    CaptureRecord FRecord;
    qint64 FGapFrom = 0;
    qint64 FGapTo = 0;
    int FLine = 0;
    bool FFailed = false;
    QString FError;
};
