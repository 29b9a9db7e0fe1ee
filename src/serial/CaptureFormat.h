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
// the bytes in hex: the line may carry any byte. A stretch of time the file does not hold (what
// was kept from before the capture started, then the capture itself) is marked by a comment
// line of its own, "# gap 1.167 345.766": the last time before it and the first after it.
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

// The first line of every capture.
inline constexpr char CAPTURE_MAGIC[] = "# dorvik exchange capture 1";

// A capture larger than this is not read, and the program stops writing one before it gets there:
// it is hours of polling at the fastest speed.
constexpr qint64 CAPTURE_MAX_BYTES = qint64(1) << 30;
// No line the program writes comes near this (a received piece is at most 4096 bytes); a longer
// one is no capture's, and is not read into memory.
constexpr int CAPTURE_LINE_MAX = 64 * 1024;

QByteArray captureHeader(const QDateTime& startedAt);
QByteArray formatCaptureRecord(const CaptureRecord& record);
QByteArray formatCaptureGap(qint64 fromMs, qint64 toMs);
// A gap line, whose times are out's; false for any other line, which a reader that knows no
// gaps takes for a comment.
bool parseCaptureGap(const QByteArray& line, qint64* fromMs, qint64* toMs);

// One line of a capture (without its line end): a record, a comment or blank line to skip, or
// a line that is neither, with the reason.
enum class CaptureLine { Record, Skip, Bad };
CaptureLine parseCaptureLine(const QByteArray& line, CaptureRecord* out, QString* why);

// Reads a whole capture into memory, for small ones (a test's, a search's); CaptureReader reads
// any length a record at a time. False with a message (naming the line) when the file is
// missing, unreadable, too large, not a capture, or has a line that is not a record.
bool readCapture(const QString& path, QList<CaptureRecord>* out, QString* error);
