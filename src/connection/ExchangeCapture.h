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

    // Starts a capture into path (replacing it), beginning with what was recorded before it
    // (the search that found the unit); times are ms of the caller's clock, now is its present.
    // False with the reason in the user's words.
    bool open(const QString& path, const QList<CaptureRecord>& before, qint64 now, QString* error);
    void close();
    bool isOpen() const { return bool(FFile); }

    void record(const CaptureRecord& r);

signals:
    // Writing failed (a full disk, a removed stick): the capture has stopped.
    void failed(const QString& text);

private:
    void flush();

    std::unique_ptr<SafeFile> FFile;
    qint64 FOrigin = 0;  // the caller's time that is 0.000 in the file
    QByteArray FBuffer;
    QTimer FFlush;
};
