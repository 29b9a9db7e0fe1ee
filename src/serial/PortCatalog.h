#pragma once
#include <QStringList>

// The one place the program learns which serial ports exist. DORVIK_SERIAL_PORTS (paths
// separated by ':' — ';' on Windows) replaces the system's list when it is set, which is
// how the simulator and the tests present their pseudo-terminals.
namespace PortCatalog {
QStringList systemPorts();
// Orders names the way an installer reads them: COM1, COM3, COM10; ttyACM0, ttyS0,
// ttyUSB2, ttyUSB10.
void sortPorts(QStringList& names);
}  // namespace PortCatalog
