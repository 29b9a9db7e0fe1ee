#pragma once
#include <QObject>
#include <QTimer>

// The reply timer. Enabling it while it runs leaves it running (the time-out keeps counting
// from the earlier start); changing its interval restarts a running count. A bare QTimer
// restarts on every start(), which would stretch the wait after a speed change.
class ReplyTimer : public QObject {
    Q_OBJECT
public:
    explicit ReplyTimer(int intervalMs, QObject* parent = nullptr);
    void setEnabled(bool on);
    // Enabled, with the count starting leadMs from now: a request still on its way out.
    void startAfter(int leadMs);
    bool isEnabled() const { return FTimer.isActive(); }
    void setInterval(int ms);
    int interval() const { return FIntervalMs; }

signals:
    void timeout();

private:
    QTimer FTimer;
    int FIntervalMs;
};
