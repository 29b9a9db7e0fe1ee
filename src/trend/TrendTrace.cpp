#include "trend/TrendTrace.h"

#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"

#include <algorithm>

namespace {
// Polls come every few milliseconds; a longer silence means the line was not answering.
constexpr std::uint32_t PAUSE_MS = 2000;

// One column's lowest and highest value, in the order they came.
struct Column {
    int index = -1;
    QPointF low, high;
    void put(QList<QPointF>& into) const
    {
        if (index < 0)
            return;
        if (low.x() <= high.x()) {
            into.append(low);
            if (high != low)
                into.append(high);
        } else {
            into.append(high);
            into.append(low);
        }
    }
};
}  // namespace

TrendTrace traceOf(const SessionRecord& record, TrendKind kind, std::uint32_t fromMs, std::uint32_t toMs,
                   int columns, double top)
{
    TrendTrace trace;
    const double origin = double(record.startedAt().toMSecsSinceEpoch());
    const double msPerColumn = std::max(1.0, double(toMs - std::min(fromMs, toMs)) / std::max(1, columns));
    const bool duty = kind == TrendKind::Duty;

    Column column;
    QList<QPointF>* stretch = nullptr;
    std::uint32_t lastMs = 0;
    bool inAlarm = false;
    int lastThreshold = -1;
    double lastX = 0;
    const auto endStretch = [&] {
        if (stretch)
            column.put(*stretch);
        column = Column{};
        stretch = nullptr;
    };
    const auto endAlarm = [&](double x) {
        if (!inAlarm)
            return;
        trace.alarm << QPointF(x, top) << QPointF(x, 0);
        inAlarm = false;
    };

    // The threshold is drawn on across a gap: the unit keeps it, and a change shows as a step.
    for (std::size_t i = record.firstFrom(fromMs), n = record.size(); i < n; ++i) {
        const SessionSample& s = record.at(i);
        if (s.ms > toMs)
            break;
        const double x = origin + s.ms;
        const bool shown = duty ? s.duty() : s.aligning();
        if (!shown || s.afterGap() || (stretch && s.ms - lastMs > PAUSE_MS)) {
            endStretch();
            endAlarm(origin + lastMs);
        }
        if (!shown)
            continue;
        if (!stretch) {
            trace.stretches.emplace_back();
            stretch = &trace.stretches.back();
        }
        const double y = duty ? poleVolts(s.field) : ustVolts(s.signal);
        const int c = int((s.ms - fromMs) / msPerColumn);
        if (c != column.index) {
            column.put(*stretch);
            column = Column{c, {x, y}, {x, y}};
        } else {
            if (y < column.low.y())
                column.low = {x, y};
            if (y > column.high.y())
                column.high = {x, y};
        }
        if (duty) {
            if (s.threshold != lastThreshold) {
                const double v = porogVolts(s.threshold);
                if (lastThreshold >= 0)
                    trace.threshold << QPointF(x, porogVolts(TPosPorog(lastThreshold)));
                trace.threshold << QPointF(x, v);
                lastThreshold = s.threshold;
            }
            if (s.alarm() && !inAlarm) {
                trace.alarm << QPointF(x, 0) << QPointF(x, top);
                inAlarm = true;
            } else if (!s.alarm()) {
                endAlarm(x);
            }
        }
        lastMs = s.ms;
        lastX = x;
    }
    endStretch();
    endAlarm(lastX);
    if (lastThreshold >= 0)
        trace.threshold << QPointF(lastX, porogVolts(TPosPorog(lastThreshold)));
    return trace;
}
