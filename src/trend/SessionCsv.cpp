#include "trend/SessionCsv.h"

#include "connection/SafeFile.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/texts.h"


namespace {
constexpr char HEADER[] = "time,mode,field,threshold,signal,alarm,relay,supply,lid,letter,range,address\n";

QByteArray volts(double v) { return QByteArray::number(v, 'f', 2); }
QByteArray bit(bool b) { return b ? "1" : "0"; }

QByteArray known(bool isKnown, const QByteArray& value) { return isKnown ? value : QByteArray(); }

QByteArray row(const SessionRecord& record, const SessionSample& s)
{
    QByteArray line = record.startedAt().addMSecs(s.ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    line += ',' + QByteArray::number(int(s.mode)) + ',';
    // A transmitter has no field, threshold, signal or alarm to report.
    if (s.transmitter())
        line += ",,,,,,,";
    else
        line += known(s.fieldKnown(), volts(poleVolts(s.field))) + ',' + volts(porogVolts(s.threshold)) + ',' +
                known(s.signalKnown(), volts(ustVolts(s.signal))) +
                ',' + bit(s.alarm()) + ',' + bit(s.state & BIT_TR_MASKA) + ',' + bit(s.state & BIT_PIT_MASKA) +
                ',' + bit(s.state & BIT_KR_MASKA) + ',';
    line += QByteArray::number(s.letter) + ',' + QByteArray::number(s.range) + ',' + QByteArray::number(s.address) +
            '\n';
    return line;
}
}  // namespace

bool writeSessionCsv(const SessionRecord& record, const QString& path, QString* error)
{
    WholeFile file(path);
    bool written = file.open() && file.write(HEADER);
    QByteArray chunk;
    for (std::size_t i = 0, n = record.size(); written && i < n; ++i) {
        chunk += row(record, record.at(i));
        if (chunk.size() > 1 << 16) {
            written = file.write(chunk);
            chunk.clear();
        }
    }
    if (written && file.write(chunk) && file.commit())
        return true;
    *error = QString::fromUtf8(MSG_FILE_NOT_WRITTEN).arg(path, file.errorString());
    return false;
}
