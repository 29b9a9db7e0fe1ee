#include "VirtualTime.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <algorithm>

VirtualTime* VirtualTime::install()
{
    auto* dispatcher = new VirtualTime;
    QCoreApplication::setEventDispatcher(dispatcher);
    return dispatcher;
}

bool VirtualTime::fireNext(qint64 limit)
{
    auto next = std::min_element(FTimers.begin(), FTimers.end(), [](const Timer& a, const Timer& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (next == FTimers.end() || next->due > limit)
        return false;
    FNow = std::max(FNow, next->due);
    // Rescheduled before delivery: the receiver may stop, restart or delete the timer.
    next->due = FNow + next->interval;
    next->order = FOrder++;
    QTimerEvent event(next->id);
    QCoreApplication::sendEvent(next->object, &event);
    return true;
}

void VirtualTime::advanceTo(qint64 time) { FNow = std::max(FNow, time); }

bool VirtualTime::rewind()
{
    if (!FTimers.empty())
        return false;
    FNow = 0;
    return true;
}

bool VirtualTime::processEvents(QEventLoop::ProcessEventsFlags)
{
    // Never blocks: what is due now runs, and the clock stays where it is.
    QCoreApplication::sendPostedEvents();
    bool any = false;
    while (fireNext(FNow))
        any = true;
    return any;
}

void VirtualTime::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object)
{
    FTimers.push_back({timerId, interval, timerType, object, FNow + interval, FOrder++});
}

bool VirtualTime::unregisterTimer(int timerId)
{
    const auto it = std::find_if(FTimers.begin(), FTimers.end(), [&](const Timer& t) { return t.id == timerId; });
    if (it == FTimers.end())
        return false;
    FTimers.erase(it);
    return true;
}

bool VirtualTime::unregisterTimers(QObject* object)
{
    const auto end = std::remove_if(FTimers.begin(), FTimers.end(), [&](const Timer& t) { return t.object == object; });
    const bool any = end != FTimers.end();
    FTimers.erase(end, FTimers.end());
    return any;
}

QList<QAbstractEventDispatcher::TimerInfo> VirtualTime::registeredTimers(QObject* object) const
{
    QList<TimerInfo> list;
    for (const Timer& t : FTimers)
        if (t.object == object)
            list.append(TimerInfo(t.id, int(t.interval), t.type));
    return list;
}

int VirtualTime::remainingTime(int timerId)
{
    for (const Timer& t : FTimers)
        if (t.id == timerId)
            return int(std::max<qint64>(0, t.due - FNow));
    return -1;
}
