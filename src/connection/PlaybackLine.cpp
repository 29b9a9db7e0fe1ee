#include "connection/PlaybackLine.h"

#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"

#include <QElapsedTimer>
#include <memory>

namespace {
// At the fastest pace the window still gets its turn this often (ms of work between turns).
constexpr qint64 FASTEST_SLICE_MS = 20;
}  // namespace

PlaybackLine::PlaybackLine(DetectorLink* link, QObject* parent) : QObject(parent), FLink(link)
{
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &PlaybackLine::step);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    FNow = [clock] { return clock->elapsed(); };
}

bool PlaybackLine::open(const QString& path, QString* error)
{
    if (!CaptureReader::readThrough(path, error))
        return false;
    if (!FReader.open(path)) {
        *error = FReader.errorString();
        return false;
    }
    FReaderDone = false;
    FEnded = false;
    FQueue.clear();
    return true;
}

void PlaybackLine::start()
{
    FRunning = true;
    fill();
    FRecordedBase = FQueue.empty() ? 0 : FQueue.front().ms();
    FWallBase = FNow();
    FTimer.start(0);
}

void PlaybackLine::stop()
{
    FRunning = false;
    FTimer.stop();
}

void PlaybackLine::fill()
{
    const auto requestAfterFront = [this] {
        for (std::size_t i = 1; i < FQueue.size(); ++i)
            if (FQueue[i].kind != CaptureReader::Record || FQueue[i].record.request)
                return true;
        return false;
    };
    while (!FReaderDone && (FQueue.empty() || !requestAfterFront()))
        readOne();
}

void PlaybackLine::readOne()
{
    Item item{FReader.next(), {}, 0, 0};
    switch (item.kind) {
    case CaptureReader::Record: item.record = FReader.record(); break;
    case CaptureReader::Gap:
        item.gapFrom = FReader.gapFromMs();
        item.gapTo = FReader.gapToMs();
        break;
    // The file was read through before: an error now is a file changed under the playback,
    // whose end it is.
    case CaptureReader::End:
    case CaptureReader::Error:
        FReaderDone = true;
        item.kind = CaptureReader::End;
        item.record.ms = FQueue.empty() ? FPositionMs : FQueue.back().ms();
        break;
    }
    FQueue.push_back(std::move(item));
}

qint64 PlaybackLine::dueAt(qint64 recordedMs) const
{
    if (FPace <= FASTEST)
        return FWallBase;
    return FWallBase + (recordedMs - FRecordedBase) / FPace;
}

void PlaybackLine::step()
{
    const qint64 sliceStart = FNow();
    while (FRunning && !FEnded) {
        fill();
        const Item& next = FQueue.front();
        const bool missFirst = FMissAtMs >= 0 && FMissAtMs < next.ms();
        const qint64 at = missFirst ? FMissAtMs : next.ms();
        const qint64 now = FNow();
        const qint64 due = dueAt(at);
        if (due > now) {
            FTimer.start(int(qMin<qint64>(due - now, 60 * 60 * 1000)));
            return;
        }
        if (FPace <= FASTEST && now - sliceStart >= FASTEST_SLICE_MS) {
            FTimer.start(0);
            return;
        }
        if (missFirst) {
            FPositionMs = FMissAtMs;
            settleMissed();
            continue;
        }
        const Item item = std::move(FQueue.front());
        FQueue.pop_front();
        play(item);
    }
}

void PlaybackLine::settleMissed()
{
    FMissAtMs = -1;
    if (FLink->awaitingReply())
        FLink->playMissedReply();
}

void PlaybackLine::play(const Item& item)
{
    switch (item.kind) {
    case CaptureReader::Record: {
        FPositionMs = qMax(FPositionMs, item.record.ms);
        if (!item.record.request) {
            // Before the first request after a gap: the end of a reply the file does not hold.
            if (FRequestSeen)
                FLink->playReceived(item.record.bytes);
            return;
        }
        if (FMissAtMs >= 0)
            settleMissed();
        FRequestSeen = true;
        // A query followed by settings: the installer chose them (a dialog may send two)
        // before its reply came, and the dispatcher sent them after it, one per reply.
        QList<QByteArray> settings;
        if (!DetectorLink::isSetting(item.record.bytes)) {
            for (std::size_t i = 0; settings.size() < 16; ++i) {
                if (i == FQueue.size()) {
                    if (FReaderDone)
                        break;
                    const std::size_t before = FQueue.size();
                    readOne();
                    if (FQueue.size() == before)
                        break;
                }
                const Item& later = FQueue[i];
                if (later.kind == CaptureReader::Record && !later.record.request)
                    continue;
                if (later.kind != CaptureReader::Record || !DetectorLink::isSetting(later.record.bytes))
                    break;
                settings << later.record.bytes;
            }
        }
        FLink->playRequest(item.record, settings);
        // The wait the installer's program gave it, from when the request had left.
        const qint64 wireMs = item.record.bytes.size() * 10 * 1000 / qMax(1, item.record.baud) + 1;
        FMissAtMs = item.record.ms + wireMs + FLink->tiTimeWaitRepl->interval();
        return;
    }
    case CaptureReader::Gap: {
        if (FMissAtMs >= 0)
            settleMissed();
        FRequestSeen = false;
        FPositionMs = item.gapTo;
        emit gap(item.gapFrom, item.gapTo);
        // Not waited through: the lost link shows for a moment, then the recording goes on.
        const qint64 shown = qMin(item.gapTo - item.gapFrom, GAP_SHOWN_MS);
        FWallBase = dueAt(item.gapFrom) + (FPace <= FASTEST ? 0 : shown / FPace);
        FRecordedBase = item.gapTo;
        return;
    }
    case CaptureReader::End:
    case CaptureReader::Error:
        // The capture was switched off with the last request on its way: its reply is not
        // missing, only not recorded.
        FMissAtMs = -1;
        FEnded = true;
        FTimer.stop();
        emit finished();
        return;
    }
}
