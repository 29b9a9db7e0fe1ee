#pragma once
// A recorded exchange played into the program in place of the port: each request the
// installer's program wrote becomes the one outstanding, and the pieces it received are handed
// to the receive path at the recorded pace, ten times as fast, or as fast as the program takes
// them. Nothing is written anywhere. The capture is read as it is played, a few records ahead.
#include "serial/CaptureReader.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

class DetectorLink;

class PlaybackLine : public QObject {
    Q_OBJECT
public:
    // The pace: 1 as recorded, 10 ten times as fast, FASTEST as fast as the program goes.
    static constexpr int FASTEST = 0;
    // A gap in the recording is not waited through: the lost link it shows stays this long
    // (recorded ms, so a tenth of it at ten times the pace).
    static constexpr qint64 GAP_SHOWN_MS = 2000;

    explicit PlaybackLine(DetectorLink* link, QObject* parent = nullptr);

    // Reads the capture through once, so that a bad line stops the program before anything is
    // shown; false with the reader's message.
    bool open(const QString& path, QString* error);
    void setPace(int pace) { FPace = pace; }
    int pace() const { return FPace; }
    // Where the pace is measured from; a monotonic clock in ms by default.
    void setClock(std::function<qint64()> msNow) { FNow = std::move(msNow); }
    void start();
    void stop();
    bool ended() const { return FEnded; }
    // The recorded time of what was played last, in ms since the capture began.
    qint64 positionMs() const { return FPositionMs; }

signals:
    // The recording holds nothing between these two times.
    void gap(qint64 fromMs, qint64 toMs);
    // Everything has been played.
    void finished();

private:
    struct Item {
        CaptureReader::Item kind;
        CaptureRecord record;  // a record
        qint64 gapFrom = 0, gapTo = 0;
        qint64 ms() const { return kind == CaptureReader::Gap ? gapFrom : record.ms; }
    };
    // Reads until the queue holds the next request after the front, or the end.
    void fill();
    void readOne();
    void step();
    void play(const Item& item);
    // The request played last has had its time: no reply in it is a reply missed.
    void settleMissed();
    qint64 dueAt(qint64 recordedMs) const;

    DetectorLink* FLink;
    CaptureReader FReader;
    bool FReaderDone = false;
    std::deque<Item> FQueue;
    QTimer FTimer;
    std::function<qint64()> FNow;
    int FPace = 1;
    qint64 FRecordedBase = 0;  // this recorded time ...
    qint64 FWallBase = 0;      // ... is played at this time of FNow
    qint64 FPositionMs = 0;
    qint64 FMissAtMs = -1;  // the recorded time at which the reply played last is overdue
    bool FRequestSeen = false;  // since the start or the last gap
    bool FEnded = false;
    bool FRunning = false;
};
