#include "connection/TextCodec.h"

#include <QStringEncoder>

QByteArray toCp1251(const QString& text)
{
    // Debian's Qt reaches this code page through ICU only, by name. A character it lacks
    // becomes '?', as on a Russian Windows.
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QByteArray linesToCp1251(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out += toCp1251(line);
        out += "\r\n";
    }
    return out;
}
