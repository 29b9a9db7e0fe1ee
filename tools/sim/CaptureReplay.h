#pragma once
// A recorded exchange played back as a unit: each request the program sends is answered with
// the reply recorded for the same request at the same line speed, in the recorded order and at
// the recorded pace. A request the capture holds no more of goes unanswered, as one the unit
// did not hear; at the capture's end the unit falls silent.
#include "serial/CaptureFormat.h"

#include <QList>
#include <QPair>

class CaptureReplay {
public:
    // One piece of a reply: when it left after the request's first byte, and its bytes.
    using Piece = QPair<qint64, QByteArray>;

    struct Exchange {
        QByteArray request;
        qint32 baud = 0;
        QList<Piece> reply;  // empty: the unit did not answer
    };

    explicit CaptureReplay(const QList<CaptureRecord>& records);
    // Reads a capture file; false with a message when it cannot be played.
    static bool load(const QString& path, CaptureReplay** out, QString* error);

    // The reply to this request, sent at baud; false when the rest of the capture has no such
    // exchange. Moves past the exchange it answers from.
    bool answer(const QByteArray& request, qint32 baud, QList<Piece>* reply);

    int size() const { return int(FExchanges.size()); }
    int position() const { return FNext; }

private:
    QList<Exchange> FExchanges;
    int FNext = 0;
};
