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

bool ExchangeCapture::open(const QString& path, const QList<CaptureRecord>& before, qint64 now, QString* error)
{
    close();
    auto file = std::make_unique<SafeFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QString::fromUtf8(CAPTURE_ERROR_TEXT).arg(path, file->errorString());
        return false;
    }
    FFile = std::move(file);
    FOrigin = before.isEmpty() ? now : before.first().ms;
    FBuffer = captureHeader(QDateTime::currentDateTime().addMSecs(FOrigin - now));
    FFlush.start();
    for (const CaptureRecord& r : before)
        record(r);
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
    CaptureRecord shifted = r;
    shifted.ms = qMax<qint64>(0, r.ms - FOrigin);
    FBuffer += formatCaptureRecord(shifted);
    if (FBuffer.size() >= FLUSH_BYTES)
        flush();
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
