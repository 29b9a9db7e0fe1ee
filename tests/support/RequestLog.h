#pragma once
// Reading the requests a simulated unit heard, in the order they came down the line.
#include "SimulatedDetector.h"

#include <QList>
#include <QString>

// The command codes from `from` on, at most `count` of them (all when negative).
inline QList<int> codes(const QList<SimRequest>& requests, int from = 0, int count = -1)
{
    QList<int> out;
    for (int i = from; i < requests.size() && (count < 0 || out.size() < count); ++i)
        out << requests[i].code;
    return out;
}

// The position of the first request with this code from `from` on, or -1.
inline int indexOfCode(const QList<SimRequest>& requests, int code, int from = 0)
{
    for (int i = from; i < requests.size(); ++i)
        if (requests[i].code == code)
            return i;
    return -1;
}

inline int countCode(const QList<SimRequest>& requests, int code, int from = 0)
{
    int n = 0;
    for (int i = from; i < requests.size(); ++i)
        n += requests[i].code == code;
    return n;
}

// A setting as "code value" (e.g. "113 1"); a query, which sets nothing, as an empty text.
inline QString setting(const SimRequest& request)
{
    return request.param < 0 ? QString() : QStringLiteral("%1 %2").arg(request.code).arg(request.param);
}
