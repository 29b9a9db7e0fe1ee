#pragma once
// An event dispatcher whose clock moves only when told to, for driving the real QTimers of the
// exchange (reply time-out, the speed switch's pauses) without waiting for them: install it
// before the QCoreApplication, then advance it. Time is in milliseconds from zero.
#include <QAbstractEventDispatcher>

#include <vector>

class VirtualTime : public QAbstractEventDispatcher {
public:
    // Becomes the main thread's dispatcher; call before QCoreApplication is constructed.
    static VirtualTime* install();

    qint64 now() const { return FNow; }
    // Fires the earliest timer due no later than limit, moving the clock to its deadline (never
    // back); false when none is due by then. Timers due at the same moment fire in the order
    // they were started, as a real loop would deliver them.
    bool fireNext(qint64 limit);
    // Moves the clock forward without firing anything (the caller fires what is due first).
    void advanceTo(qint64 time);
    int timerCount() const { return int(FTimers.size()); }
    // Back to zero, so that each run reads from its own start; only with no timer running.
    bool rewind();

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject* object) override;
    QList<TimerInfo> registeredTimers(QObject* object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override {}
    void interrupt() override {}

private:
    struct Timer {
        int id;
        qint64 interval;
        Qt::TimerType type;
        QObject* object;
        qint64 due;
        quint64 order;
    };
    std::vector<Timer> FTimers;
    qint64 FNow = 0;
    quint64 FOrder = 0;
};
