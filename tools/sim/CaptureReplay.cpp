#include "CaptureReplay.h"

CaptureReplay::CaptureReplay(const QList<CaptureRecord>& records)
{
    qint64 requestMs = 0;
    for (const CaptureRecord& r : records) {
        if (r.request) {
            FExchanges.append({r.bytes, r.baud, {}});
            requestMs = r.ms;
        } else if (!FExchanges.isEmpty()) {
            // What came before the first request was nobody's reply.
            FExchanges.last().reply.append({qMax<qint64>(0, r.ms - requestMs), r.bytes});
        }
    }
}

bool CaptureReplay::load(const QString& path, CaptureReplay** out, QString* error)
{
    QList<CaptureRecord> records;
    if (!readCapture(path, &records, error))
        return false;
    *out = new CaptureReplay(records);
    if ((*out)->size() == 0) {
        *error = QStringLiteral("%1: the capture holds no request").arg(path);
        delete *out;
        *out = nullptr;
        return false;
    }
    return true;
}

bool CaptureReplay::answer(const QByteArray& request, qint32 baud, QList<Piece>* reply)
{
    for (int i = FNext; i < FExchanges.size(); ++i) {
        const Exchange& e = FExchanges[i];
        if (e.baud != baud || e.request != request)
            continue;
        FNext = i + 1;
        *reply = e.reply;
        return true;
    }
    return false;
}
