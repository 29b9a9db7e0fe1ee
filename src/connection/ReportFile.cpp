#include "connection/ReportFile.h"
// Placeholder bodies: replaced by the real ones.
bool ReportFile::open(const QString&) { return false; }
void ReportFile::append(const QString&) {}
QByteArray ReportFile::line(const QDateTime&, const QString&) { return {}; }
