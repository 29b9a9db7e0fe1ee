#pragma once
// Tells when a serial port appears: a USB adapter plugged in, or a listed port (a by-id link,
// a device named in DORVIK_SERIAL_PORTS) whose device is back. Looks twice a second: the port
// list is cheap to read on every system Qt serves, and no system service is needed to hear of
// it, as it would be for the kernel's device events.
#include <QObject>
#include <QStringList>
#include <QTimer>

class PortWatch : public QObject {
    Q_OBJECT
public:
    explicit PortWatch(QObject* parent = nullptr);
    // The ports there are now: the system's list, less the listed devices that are gone.
    static QStringList presentPorts();
    static bool present(const QString& port);
    void setInterval(int ms) { FTimer.setInterval(ms); }

signals:
    // Ports there now that were not there at the last look, in the list's order.
    void portsAppeared(const QStringList& ports);

private:
    void look();
    QTimer FTimer;
    QStringList FSeen;
};
