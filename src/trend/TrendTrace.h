#pragma once
// What the trend draws for a span of the session, reduced to at most two points per column
// of the plot (the lowest and highest value in it), so that drawing costs the same however
// fast the line polls.
#include <QList>
#include <QPointF>
#include <cstdint>
#include <vector>

class SessionRecord;

struct TrendTrace {
    // The value in volts against the time of day (ms since the epoch), one list per stretch:
    // a lost link, a change of mode or a pause in polling leaves a gap between stretches.
    std::vector<QList<QPointF>> stretches;
    // Duty mode: the threshold in volts as steps, and the alarm intervals as the upper edge of
    // a shaded area (0 outside them, top inside).
    QList<QPointF> threshold;
    QList<QPointF> alarm;
};

enum class TrendKind { Duty, Alignment };

TrendTrace traceOf(const SessionRecord& record, TrendKind kind, std::uint32_t fromMs, std::uint32_t toMs,
                   int columns, double top);
