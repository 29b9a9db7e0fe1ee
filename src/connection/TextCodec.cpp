#include "connection/TextCodec.h"
// Placeholder bodies: replaced by the real ones.
QByteArray toCp1251(const QString&) { return {}; }
QByteArray linesToCp1251(const QStringList&) { return {}; }
