#pragma once
// Writes the exchange capture: what the program sends and receives, as it happens. Buffered,
// and flushed at least once a second, so that polling never waits on the disk and a capture
// survives the program being killed, less its last second.
#include "serial/CaptureFormat.h"

#include <QObject>
#include <QTimer>
#include <memory>

class SafeFile;

class ExchangeCapture : public QObject {
    Q_OBJECT
public:
    explicit ExchangeCapture(QObject* parent = nullptr);
    ~ExchangeCapture() override;

    // Starts a capture into path (replacing it: every start is a file of its own, named by the
    // user), beginning with what was recorded before it (the search that found the unit). Unless
    // that runs without a break up to now, it is cut after its last whole reply and followed by
    // a marked gap, and the live part begins with the next request. Times are ms of the
    // caller's clock, now is its present. False with the reason in the user's words.
    bool open(const QString& path, const QList<CaptureRecord>& before, qint64 now, QString* error,
              bool beforeRunsToNow = false);
    void close();
    bool isOpen() const { return bool(FFile); }

    void record(const CaptureRecord& r);
    // The size at which the capture stops, saying so; readers refuse anything larger.
    void setMaxBytes(qint64 bytes) { FMaxBytes = bytes; }

signals:
    // Writing failed (a full disk, a removed stick): the capture has stopped.
    void failed(const QString& text);

private:
    // records cut after the last whole reply.
    static QList<CaptureRecord> wholeFrames(const QList<CaptureRecord>& records);
    void flush();
    void append(const QByteArray& line);

    std::unique_ptr<SafeFile> FFile;
    qint64 FOrigin = 0;  // the caller's time that is 0.000 in the file
    QByteArray FBuffer;
    QTimer FFlush;
    qint64 FWritten = 0;  // in the file and the buffer
    qint64 FMaxBytes = CAPTURE_MAX_BYTES;
    // What arrives before the first request of the live part is the end of a reply whose start
    // the file does not hold.
    bool FAwaitingRequest = false;
};
