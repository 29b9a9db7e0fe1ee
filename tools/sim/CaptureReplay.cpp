#include "CaptureReplay.h"

#include <memory>

QByteArray CaptureReplay::key(const QByteArray& request, qint32 baud)
{
    return QByteArray::number(baud) + ' ' + request;
}

bool CaptureReplay::load(const QString& path, CaptureReplay** out, QString* error)
{
    // Read through once before playing: a bad line stops the simulator before any port opens,
    // not in the middle of a session.
    auto replay = std::unique_ptr<CaptureReplay>(new CaptureReplay);
    const bool read = CaptureReader::readThrough(path, error, [&replay](const CaptureRecord& r) {
        if (!r.request)
            return;
        const QByteArray k = key(r.bytes, r.baud);
        if (replay->FLast.size() < KINDS_MAX || replay->FLast.contains(k))
            replay->FLast.insert(k, replay->FSize);
        ++replay->FSize;
    });
    if (!read)
        return false;
    if (replay->FSize == 0) {
        *error = QStringLiteral("%1: the capture holds no request").arg(path);
        return false;
    }
    if (!replay->FReader.open(path)) {
        *error = replay->FReader.errorString();
        return false;
    }
    // What came before the first request was nobody's reply.
    for (;;) {
        const CaptureReader::Item item = replay->FReader.next();
        if (item == CaptureReader::End || item == CaptureReader::Error)
            break;
        if (item == CaptureReader::Record && replay->FReader.record().request) {
            replay->FRequest = replay->FReader.record();
            replay->FHaveRequest = true;
            break;
        }
    }
    *out = replay.release();
    return true;
}

bool CaptureReplay::readExchange(Exchange* e)
{
    if (!FHaveRequest)
        return false;
    FHaveRequest = false;
    e->request = FRequest.bytes;
    e->baud = FRequest.baud;
    e->reply.clear();
    const qint64 requestMs = FRequest.ms;
    // After a gap, what comes before the next request is the end of a reply whose start the
    // file does not hold: the program that plays this must not wait through the gap for it.
    bool cut = false;
    for (;;) {
        switch (FReader.next()) {
        case CaptureReader::Record: {
            const CaptureRecord& r = FReader.record();
            if (r.request) {
                FRequest = r;
                FHaveRequest = true;
                return true;
            }
            const qint64 after = qMax<qint64>(0, r.ms - requestMs);
            cut = cut || after > REPLY_LATE_MS;
            if (!cut)
                e->reply.append({after, r.bytes});
            break;
        }
        case CaptureReader::Gap: cut = true; break;
        // The file was read through once already: an error now is a file changed under the
        // playback, whose end it is.
        case CaptureReader::End:
        case CaptureReader::Error: return true;
        }
    }
}

bool CaptureReplay::answer(const QByteArray& request, qint32 baud, QList<Piece>* reply)
{
    const auto last = FLast.constFind(key(request, baud));
    if (last == FLast.constEnd() || *last < FNext)
        return false;
    Exchange e;
    while (readExchange(&e)) {
        ++FNext;
        if (e.baud == baud && e.request == request) {
            *reply = e.reply;
            return true;
        }
    }
    return false;
}
