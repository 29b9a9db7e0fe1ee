#pragma once
// A recorded exchange played back as a unit: each request the program sends is answered with
// the reply recorded for the same request at the same line speed, in the recorded order and at
// the recorded pace. A request the capture holds no more of goes unanswered, as one the unit
// did not hear. The capture is read as the playback goes, so a long one takes no more memory
// than a short one.
#include "serial/CaptureReader.h"

#include <QHash>
#include <QList>
#include <QPair>

class CaptureReplay {
public:
    // One piece of a reply: when it left after the request's first byte, and its bytes.
    using Piece = QPair<qint64, QByteArray>;

    // No program waits this long for a reply: a piece recorded later than this after its
    // request came after the recording computer slept or its clock jumped, across a gap nobody
    // marked, and is no reply to it.
    static constexpr qint64 REPLY_LATE_MS = 10000;

    // Reads a capture file through once; false with a message when it cannot be played.
    static bool load(const QString& path, CaptureReplay** out, QString* error);

    // The reply to this request, sent at baud; false when the rest of the capture has no such
    // exchange. Moves past the exchange it answers from.
    bool answer(const QByteArray& request, qint32 baud, QList<Piece>* reply);
    // The last exchange has been answered: the recording has nothing more to play.
    bool atEnd() const { return !FHaveRequest; }

    int size() const { return FSize; }
    int position() const { return FNext; }

private:
    struct Exchange {
        QByteArray request;
        qint32 baud = 0;
        QList<Piece> reply;  // empty: the unit did not answer
    };
    CaptureReplay() = default;
    static QByteArray key(const QByteArray& request, qint32 baud);
    // Reads the exchange of the request read ahead, up to the next request; false when there
    // is none left.
    bool readExchange(Exchange* e);

    CaptureReader FReader;
    CaptureRecord FRequest;    // read ahead: the request of the next exchange
    bool FHaveRequest = false;
    // The index of the last exchange of each request at each speed, so that a request the rest
    // of the capture does not hold is turned down without reading to its end. A capture with
    // more different requests than this is played with those it met first.
    QHash<QByteArray, int> FLast;
    static constexpr int KINDS_MAX = 65536;
    int FSize = 0;
    int FNext = 0;
};
