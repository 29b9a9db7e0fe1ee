#include "serial/CaptureReader.h"

#include <QFileInfo>

namespace {
const QByteArray UTF8_BOM("\xEF\xBB\xBF");
}  // namespace

bool CaptureReader::open(const QString& path)
{
    FPath = path;
    FLine = 0;
    FFailed = false;
    FError.clear();
    FFile.close();
    const QFileInfo info(path);
    const auto refuse = [this](const QString& why) {
        fail(QStringLiteral("%1: %2").arg(FPath, why));
        return false;
    };
    if (!info.exists())
        return refuse(QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(QStringLiteral("not a regular file"));
    if (info.size() > CAPTURE_MAX_BYTES)
        return refuse(QStringLiteral("larger than %1 bytes, not a capture").arg(CAPTURE_MAX_BYTES));
    FFile.setFileName(path);
    if (!FFile.open(QIODevice::ReadOnly))
        return refuse(FFile.errorString());
    QByteArray first = FFile.readLine(256);
    if (first.startsWith(UTF8_BOM))
        first.remove(0, UTF8_BOM.size());
    if (first.trimmed() != CAPTURE_MAGIC)
        return refuse(QStringLiteral("not an exchange capture (its first line is not \"%1\")")
                          .arg(QLatin1String(CAPTURE_MAGIC)));
    FLine = 1;
    return true;
}

CaptureReader::Item CaptureReader::next()
{
    while (!FFailed) {
        if (!FFile.isOpen() || FFile.atEnd())
            return End;
        ++FLine;
        FBuffer.resize(CAPTURE_LINE_MAX + 1);
        const qint64 n = FFile.readLine(FBuffer.data(), FBuffer.size());
        if (n < 0)
            return fail(QStringLiteral("%1:%2: %3").arg(FPath).arg(FLine).arg(FFile.errorString()));
        FBuffer.truncate(n);
        const bool whole = FBuffer.endsWith('\n');
        if (!whole && n >= CAPTURE_LINE_MAX)
            return fail(QStringLiteral("%1:%2: longer than %3 bytes").arg(FPath).arg(FLine).arg(CAPTURE_LINE_MAX));
        if (parseCaptureGap(FBuffer, &FGapFrom, &FGapTo))
            return Gap;
        QString why;
        switch (parseCaptureLine(FBuffer, &FRecord, &why)) {
        case CaptureLine::Record: return Record;
        case CaptureLine::Skip: break;
        case CaptureLine::Bad:
            // The writer ends every line: a last one without its end that is no record was cut
            // short by a full disk or the program's end.
            if (!whole)
                return End;
            return fail(QStringLiteral("%1:%2: %3").arg(FPath).arg(FLine).arg(why));
        }
    }
    return Error;
}

CaptureReader::Item CaptureReader::fail(const QString& message)
{
    FFailed = true;
    FError = message;
    FFile.close();
    return Error;
}

bool CaptureReader::readThrough(const QString& path, QString* error,
                                const std::function<void(const CaptureRecord&)>& each)
{
    CaptureReader reader;
    if (!reader.open(path)) {
        *error = reader.errorString();
        return false;
    }
    for (;;) {
        switch (reader.next()) {
        case Error: *error = reader.errorString(); return false;
        case End: return true;
        case Record:
            if (each)
                each(reader.record());
            break;
        case Gap: break;
        }
    }
}
