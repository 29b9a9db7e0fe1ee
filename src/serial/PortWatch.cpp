#include "serial/PortWatch.h"

#include "serial/PortCatalog.h"

#include <QDir>
#include <QFileInfo>

PortWatch::PortWatch(QObject* parent) : QObject(parent)
{
    FSeen = presentPorts();
    FTimer.setInterval(500);
    connect(&FTimer, &QTimer::timeout, this, &PortWatch::look);
    FTimer.start();
}

bool PortWatch::present(const QString& port)
{
    // A device named by its path is there while its node is; a name from the system's own
    // list is there while the list has it.
    if (QDir::isAbsolutePath(port))
        return QFileInfo::exists(port);
    return PortCatalog::systemPorts().contains(port);
}

QStringList PortWatch::presentPorts()
{
    QStringList ports;
    for (const QString& port : PortCatalog::systemPorts())
        if (!QDir::isAbsolutePath(port) || QFileInfo::exists(port))
            ports << port;
    return ports;
}

void PortWatch::look()
{
    const QStringList now = presentPorts();
    QStringList appeared;
    for (const QString& port : now)
        if (!FSeen.contains(port))
            appeared << port;
    // A port that goes is forgotten, so that it counts as new when it comes back.
    FSeen = now;
    if (!appeared.isEmpty())
        emit portsAppeared(appeared);
}
