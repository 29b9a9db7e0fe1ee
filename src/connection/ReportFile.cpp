#include "connection/ReportFile.h"

#include "connection/TextCodec.h"

bool ReportFile::open(const QString& path)
{
    FFile.close();
    FFile.setFileName(path);
    return FFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void ReportFile::append(const QString& ev)
{
    if (!FFile.isOpen())
        return;
    FFile.write(line(clock(), ev));
    FFile.flush();
}

QByteArray ReportFile::line(const QDateTime& at, const QString& ev)
{
    // Every number without leading zeros: "5.3.2026.  9:15:7 ".
    const QDate d = at.date();
    const QTime t = at.time();
    const QString text = QStringLiteral("%1.%2.%3.  %4:%5:%6 ")
                             .arg(d.day())
                             .arg(d.month())
                             .arg(d.year())
                             .arg(t.hour())
                             .arg(t.minute())
                             .arg(t.second()) +
                         ev;
    return linesToCp1251({text});
}
