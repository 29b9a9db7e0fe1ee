#include "connection/ReplyTimer.h"

ReplyTimer::ReplyTimer(int intervalMs, QObject* parent) : QObject(parent)
{
    FTimer.setInterval(intervalMs);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &ReplyTimer::timeout);
}

void ReplyTimer::setEnabled(bool on)
{
    if (!on)
        FTimer.stop();
    else if (!FTimer.isActive())
        FTimer.start();
}

void ReplyTimer::setInterval(int ms)
{
    if (ms == FTimer.interval())
        return;
    FTimer.setInterval(ms);  // QTimer restarts an active timer here
}
