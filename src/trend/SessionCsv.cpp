#include "trend/SessionCsv.h"

#include "connection/SafeFile.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/texts.h"


namespace {
// The unit's columns come first, so that the files of a day's units can be put together.
constexpr char HEADER[] =
    "time,unit,model,firmware,address,mode,field,threshold,signal,alarm,relay,supply,lid,letter,range\n";

QByteArray volts(double v) { return QByteArray::number(v, 'f', 2); }
QByteArray bit(bool b) { return b ? "1" : "0"; }

// Each poll asks the unit for one or two of its values; a cell holds a value only in the row
// of the reply that carried it, so that nothing old reads as measured.
QByteArray cell(const SessionSample& s, DetectorValue v, const QByteArray& value)
{
    return s.carried(v) ? value : QByteArray();
}

QByteArray unitColumns(const SessionUnit& u)
{
    if (!u.known)
        return ",,";
    return QByteArray(u.transmitter() ? "transmitter" : "receiver") + ',' + QByteArray::number(u.ident) + ',' +
           QByteArray::number(u.firmware[0]) + '.' + QByteArray::number(u.firmware[1]);
}

QByteArray row(const SessionRecord& record, const QByteArray& unit, const SessionSample& s)
{
    QByteArray line = record.startedAt().addMSecs(s.ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    // The address tells the unit apart, so it stands in every row (as set, once changed).
    line += ',' + unit + ',' + QByteArray::number(s.address) + ',' + cell(s, ValueMode, QByteArray::number(int(s.mode))) + ',';
    // A transmitter has no field, threshold, signal or alarm to report.
    if (s.transmitter())
        line += ",,,,,,,";
    else
        line += cell(s, ValueField, volts(poleVolts(s.field))) + ',' +
                cell(s, ValueThreshold, volts(porogVolts(s.threshold))) + ',' +
                cell(s, ValueSignal, volts(ustVolts(s.signal))) + ',' + cell(s, ValueAlarm, bit(s.alarm())) + ',' +
                cell(s, ValueState, bit(s.state & BIT_TR_MASKA)) + ',' +
                cell(s, ValueState, bit(s.state & BIT_PIT_MASKA)) + ',' +
                cell(s, ValueState, bit(s.state & BIT_KR_MASKA)) + ',';
    line += cell(s, ValueLetter, QByteArray::number(s.letter)) + ',' + cell(s, ValueRange, QByteArray::number(s.range)) +
            '\n';
    return line;
}
}  // namespace

bool writeSessionCsv(const SessionRecord& record, const QString& path, QString* error)
{
    WholeFile file(path);
    bool written = file.open() && file.write(HEADER);
    QByteArray chunk;
    const QByteArray unit = unitColumns(record.unit());
    for (std::size_t i = 0, n = record.size(); written && i < n; ++i) {
        chunk += row(record, unit, record.at(i));
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
