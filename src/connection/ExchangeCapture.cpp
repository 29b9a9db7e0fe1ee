#include "connection/ExchangeCapture.h"

#include "connection/SafeFile.h"
#include "connection/texts.h"

namespace {
// Written out once this much has gathered, or once a second.
constexpr int FLUSH_BYTES = 64 * 1024;
constexpr int FLUSH_MS = 1000;
}  // namespace

ExchangeCapture::ExchangeCapture(QObject* parent) : QObject(parent)
{
    FFlush.setInterval(FLUSH_MS);
    connect(&FFlush, &QTimer::timeout, this, &ExchangeCapture::flush);
}

ExchangeCapture::~ExchangeCapture() { close(); }

bool ExchangeCapture::open(const QString& path, const QList<CaptureRecord>& before, qint64 now, QString* error,
                           bool beforeRunsToNow)
{
    close();
    auto file = std::make_unique<SafeFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QString::fromUtf8(CAPTURE_ERROR_TEXT).arg(path, file->errorString());
        return false;
    }
    FFile = std::move(file);
    const QList<CaptureRecord> kept = beforeRunsToNow ? before : wholeFrames(before);
    FOrigin = kept.isEmpty() ? now : kept.first().ms;
    FBuffer = captureHeader(QDateTime::currentDateTime().addMSecs(FOrigin - now));
    FWritten = FBuffer.size();
    FFlush.start();
    FAwaitingRequest = false;
    for (const CaptureRecord& r : kept)
        record(r);
    if (!kept.isEmpty() && !beforeRunsToNow && FFile)
        append(formatCaptureGap(kept.last().ms - FOrigin, qMax(now, kept.last().ms) - FOrigin));
    FAwaitingRequest = kept.isEmpty() || !beforeRunsToNow;
    flush();
    return isOpen();
}

void ExchangeCapture::close()
{
    if (!FFile)
        return;
    flush();
    FFlush.stop();
    if (FFile)
        FFile->close();
    FFile.reset();
    FBuffer.clear();
}

void ExchangeCapture::record(const CaptureRecord& r)
{
    if (!FFile || r.bytes.isEmpty())
        return;
    if (FAwaitingRequest && !r.request)
        return;
    FAwaitingRequest = false;
    CaptureRecord shifted = r;
    shifted.ms = qMax<qint64>(0, r.ms - FOrigin);
    append(formatCaptureRecord(shifted));
}

void ExchangeCapture::append(const QByteArray& line)
{
    if (FWritten + line.size() > FMaxBytes) {
        flush();
        if (!FFile)
            return;
        const QString text = QString::fromUtf8(CAPTURE_FULL_TEXT).arg(FFile->fileName()).arg(FMaxBytes / (1024 * 1024));
        close();
        emit failed(text);
        return;
    }
    FBuffer += line;
    FWritten += line.size();
    if (FBuffer.size() >= FLUSH_BYTES)
        flush();
}

QList<CaptureRecord> ExchangeCapture::wholeFrames(const QList<CaptureRecord>& records)
{
    // A reply ends with its CR. What came after the last one is a reply cut short where the
    // keeping stopped, or a request whose reply it cut off: played back, the request would get
    // silence where the unit had answered.
    for (qsizetype i = records.size() - 1; i >= 0; --i) {
        const CaptureRecord& r = records[i];
        const qsizetype end = r.request ? -1 : r.bytes.lastIndexOf('\r');
        if (end < 0)
            continue;
        QList<CaptureRecord> kept = records.first(i + 1);
        kept.last().bytes.truncate(end + 1);
        return kept;
    }
    // No reply at all: the requests of a search that found nothing yet.
    QList<CaptureRecord> kept = records;
    while (!kept.isEmpty() && !kept.last().request)
        kept.removeLast();
    return kept;
}

void ExchangeCapture::flush()
{
    if (!FFile || FBuffer.isEmpty())
        return;
    QString why;
    const bool written = SafeFile::writeAll(*FFile, FBuffer, &why);
    FBuffer.clear();
    if (written)
        return;
    const QString text = QString::fromUtf8(CAPTURE_ERROR_TEXT).arg(FFile->fileName(), why);
    FFlush.stop();
    FFile.reset();
    emit failed(text);
}
