#include "serial/CaptureFormat.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr char MAGIC[] = "# dorvik exchange capture 1";

bool isDigits(const QByteArray& text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Seconds with at most three decimals, as written: a number reader would also take a sign, an
// exponent, "nan" or "inf", none of which is a time.
bool parseTime(const QByteArray& text, qint64* ms)
{
    const qsizetype dot = text.indexOf('.');
    const QByteArray whole = dot < 0 ? text : text.left(dot);
    const QByteArray fraction = dot < 0 ? QByteArray() : text.mid(dot + 1);
    if (whole.isEmpty() || whole.size() > 9 || !isDigits(whole) || fraction.size() > 3 || !isDigits(fraction)
        || (dot >= 0 && fraction.isEmpty()))
        return false;
    *ms = whole.toLongLong() * 1000 + fraction.leftJustified(3, '0').toInt();
    return true;
}

bool isHex(const QByteArray& text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return text.size() % 2 == 0;
}
}  // namespace

QByteArray captureHeader(const QDateTime& startedAt)
{
    return QByteArray(MAGIC) + "\n# started " + startedAt.toString(Qt::ISODateWithMs).toLatin1() + '\n';
}

QByteArray formatCaptureRecord(const CaptureRecord& r)
{
    QByteArray line = QByteArray::number(r.ms / 1000) + '.' + QByteArray::number(r.ms % 1000).rightJustified(3, '0');
    line += ' ' + QByteArray::number(r.baud) + (r.request ? " > " : " < ") + r.bytes.toHex().toUpper() + '\n';
    return line;
}

CaptureLine parseCaptureLine(const QByteArray& line, CaptureRecord* out, QString* why)
{
    const QByteArray text = line.trimmed();
    if (text.isEmpty() || text.startsWith('#'))
        return CaptureLine::Skip;
    const QList<QByteArray> f = text.simplified().split(' ');
    if (f.size() != 4) {
        *why = QStringLiteral("expected time, speed, direction and bytes");
        return CaptureLine::Bad;
    }
    qint64 ms = 0;
    if (!parseTime(f[0], &ms)) {
        *why = QStringLiteral("bad time");
        return CaptureLine::Bad;
    }
    bool ok = false;
    const int baud = f[1].toInt(&ok);
    if (!ok || baud <= 0) {
        *why = QStringLiteral("bad speed");
        return CaptureLine::Bad;
    }
    if (f[2] != ">" && f[2] != "<") {
        *why = QStringLiteral("direction must be > or <");
        return CaptureLine::Bad;
    }
    if (f[3].isEmpty() || !isHex(f[3])) {
        *why = QStringLiteral("bytes must be pairs of hex digits");
        return CaptureLine::Bad;
    }
    out->ms = ms;
    out->baud = baud;
    out->request = f[2] == ">";
    out->bytes = QByteArray::fromHex(f[3]);
    return CaptureLine::Record;
}

bool readCapture(const QString& path, QList<CaptureRecord>* out, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("%1: not a regular file").arg(path);
        return false;
    }
    if (info.size() > CAPTURE_MAX_BYTES) {
        *error = QStringLiteral("%1: larger than %2 bytes, not a capture").arg(path).arg(CAPTURE_MAX_BYTES);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.readLine(256).trimmed() != MAGIC) {
        *error = QStringLiteral("%1: not an exchange capture (its first line is not \"%2\")").arg(path, QLatin1String(MAGIC));
        return false;
    }
    out->clear();
    int number = 1;
    while (!file.atEnd()) {
        ++number;
        const QByteArray line = file.readLine();
        // The writer ends every line: one without its end was cut short by a full disk or the
        // program's end, and is no record.
        if (!line.endsWith('\n'))
            break;
        CaptureRecord record;
        QString why;
        switch (parseCaptureLine(line, &record, &why)) {
        case CaptureLine::Skip: break;
        case CaptureLine::Record: out->append(record); break;
        case CaptureLine::Bad:
            *error = QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(why);
            return false;
        }
    }
    return true;
}
