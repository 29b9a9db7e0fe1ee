#include "serial/PortCatalog.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace PortCatalog {

namespace {

bool isComName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[Cc][Oo][Mm][0-9]+$"));
    return re.match(name).hasMatch();
}

// Windows names: upper-cased and padded so that COM3 reads COM003 and COM12 reads COM012;
// names of more than five characters stay as they are.
QString paddedComKey(const QString& name)
{
    QString key = name.toUpper();
    if (key.size() == 4)
        key.insert(3, QStringLiteral("00"));
    if (key.size() == 5)
        key.insert(3, QLatin1Char('0'));
    return key;
}

QStringView withoutLeadingZeros(QStringView digits)
{
    qsizetype k = 0;
    while (k < digits.size() - 1 && digits[k] == u'0')
        ++k;
    return digits.mid(k);
}

// Splits "ttyUSB10" into ("ttyUSB", 10) so that numbers compare as numbers.
bool naturalLess(const QString& a, const QString& b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit()) ++ie;
            while (je < b.size() && b[je].isDigit()) ++je;
            // Digit runs compare by value (leading zeros ignored), then by length.
            const QStringView na = QStringView(a).mid(i, ie - i), nb = QStringView(b).mid(j, je - j);
            const QStringView va = withoutLeadingZeros(na), vb = withoutLeadingZeros(nb);
            if (va.size() != vb.size())
                return va.size() < vb.size();
            if (va != vb)
                return va < vb;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j);
}

}  // namespace

void sortPorts(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const bool ca = isComName(a), cb = isComName(b);
        if (ca && cb)
            return paddedComKey(a).compare(paddedComKey(b), Qt::CaseInsensitive) < 0;
        if (ca != cb)
            return ca;  // Windows-style names first
        return naturalLess(a, b);
    });
}

QStringList systemPorts()
{
    const QByteArray env = qgetenv("DORVIK_SERIAL_PORTS");
    if (qEnvironmentVariableIsSet("DORVIK_SERIAL_PORTS")) {
#ifdef Q_OS_WIN
        const QChar sep = QLatin1Char(';');
#else
        const QChar sep = QLatin1Char(':');
#endif
        // The list is somebody's explicit choice: keep its order.
        return QString::fromLocal8Bit(env).split(sep, Qt::SkipEmptyParts);
    }
    QStringList names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos)
        names << info.portName();
    sortPorts(names);
    return names;
}

}  // namespace PortCatalog
