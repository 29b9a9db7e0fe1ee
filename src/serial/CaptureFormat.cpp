#include "serial/CaptureFormat.h"

#include "serial/CaptureReader.h"

namespace {
constexpr char GAP[] = "# gap ";

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
    return QByteArray(CAPTURE_MAGIC) + "\n# started " + startedAt.toString(Qt::ISODateWithMs).toLatin1() + '\n';
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

QByteArray formatCaptureGap(qint64 fromMs, qint64 toMs)
{
    const auto seconds = [](qint64 ms) {
        return QByteArray::number(ms / 1000) + '.' + QByteArray::number(ms % 1000).rightJustified(3, '0');
    };
    return GAP + seconds(fromMs) + ' ' + seconds(toMs) + '\n';
}

bool parseCaptureGap(const QByteArray& line, qint64* fromMs, qint64* toMs)
{
    const QByteArray text = line.trimmed();
    if (!text.startsWith(GAP))
        return false;
    const QList<QByteArray> f = text.mid(sizeof GAP - 1).simplified().split(' ');
    qint64 from = 0, to = 0;
    if (f.size() != 2 || !parseTime(f[0], &from) || !parseTime(f[1], &to) || to < from)
        return false;
    *fromMs = from;
    *toMs = to;
    return true;
}

bool readCapture(const QString& path, QList<CaptureRecord>* out, QString* error)
{
    CaptureReader reader;
    if (!reader.open(path)) {
        *error = reader.errorString();
        return false;
    }
    out->clear();
    for (;;) {
        switch (reader.next()) {
        case CaptureReader::Record: out->append(reader.record()); break;
        case CaptureReader::Gap: break;
        case CaptureReader::End: return true;
        case CaptureReader::Error: *error = reader.errorString(); return false;
        }
    }
}
