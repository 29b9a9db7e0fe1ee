#include "connection/ReplyTimer.h"

ReplyTimer::ReplyTimer(int intervalMs, QObject* parent) : QObject(parent), FIntervalMs(intervalMs)
{
    FTimer.setInterval(intervalMs);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &ReplyTimer::timeout);
}

void ReplyTimer::setEnabled(bool on) { on ? startAfter(0) : FTimer.stop(); }

void ReplyTimer::startAfter(int leadMs)
{
    if (!FTimer.isActive())
        FTimer.start(FIntervalMs + qMax(0, leadMs));
}

void ReplyTimer::setInterval(int ms)
{
    if (ms == FIntervalMs)
        return;
    FIntervalMs = ms;
    if (FTimer.isActive())
        FTimer.start(ms);
    else
        FTimer.setInterval(ms);
}
