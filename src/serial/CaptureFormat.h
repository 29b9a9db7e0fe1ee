#pragma once
// The exchange capture: every request the program wrote and every piece of bytes it received,
// with its time and the line's speed, as a text file a person can read and the simulator can
// play back.
//
//   # dorvik exchange capture 1
//   # started 2026-12-10T14:05:03.127
//   0.000 4800 > 2430303634303041300D
//   0.031 4800 < 2136363037364430300D
//
// Seconds since the start (to the millisecond), bit/s, '>' from the program or '<' to it, and
// the bytes in hex: the line may carry any byte.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct CaptureRecord {
    qint64 ms = 0;
    qint32 baud = 0;
    bool request = false;  // written by the program; else received by it
    QByteArray bytes;
};

// A capture larger than this is not read: it would be a day's polling at the fastest speed.
constexpr qint64 CAPTURE_MAX_BYTES = qint64(1) << 30;

QByteArray captureHeader(const QDateTime& startedAt);
QByteArray formatCaptureRecord(const CaptureRecord& record);

// One line of a capture (without its line end): a record, a comment or blank line to skip, or
// a line that is neither, with the reason.
enum class CaptureLine { Record, Skip, Bad };
CaptureLine parseCaptureLine(const QByteArray& line, CaptureRecord* out, QString* why);

// Reads a whole capture; false with a message (naming the line) when the file is missing,
// unreadable, too large, not a capture, or has a line that is not a record. A last line without
// its line end was cut short and is left out.
bool readCapture(const QString& path, QList<CaptureRecord>* out, QString* error);
