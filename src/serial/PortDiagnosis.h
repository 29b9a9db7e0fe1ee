#pragma once
#include <QString>

// Why a serial port would not open, as far as the system can tell. On Linux the first hour
// with a new laptop is usually lost to this, not to the detector: the user is not allowed to
// open the device, or a modem or braille daemon grabbed it first, or the adapter went away,
// or the name given is no serial port at all.
struct PortTrouble {
    enum Kind { None, NoPermission, Busy, Gone, NotSerial };
    Kind kind = None;
    QString port;    // the name as the search knows it
    QString holder;  // with Busy: the program holding the device, when the system shows it
};

PortTrouble diagnosePort(const QString& portName);

// The name of a process that has the device open, or an empty string.
QString portHolder(const QString& devicePath);
