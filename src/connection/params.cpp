#include "connection/params.h"

#include "connection/texts.h"
#include "serial/PortCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

const TComPortBaudRate CPS_INDEX[6] = {br4800, br9600, br19200, br38400, br57600, br115200};
const char* const BAUD_RATE_STR[13] = {"110",   "300",   "600",   "1200",  "2400",  "4800",  "9600",
                                       "14400", "19200", "38400", "56000", "57600", "115200"};

QString baudText(TComPortBaudRate rate)
{
    return rate < 13 ? QString::fromLatin1(BAUD_RATE_STR[rate]) : QStringLiteral("?");
}

namespace {

const QString KEY_ADDR = QStringLiteral("-ADDR");
const QString KEY_BAUD = QStringLiteral("-BAUD");
const QString KEY_COM = QStringLiteral("-COM");
const QString KEY_PROT = QStringLiteral("-PROT");
const QString KEY_PLAY = QStringLiteral("--PLAY");
const QString KEY_PACE = QStringLiteral("--PACE");
constexpr int MAX_ARGUMENTS = 4;

void set_baud_info(RParamStruct& params, std::uint8_t index)
{
    params.is_baud = true;
    params.baud_ind = index;
    params.val_baud = QString::fromLatin1(BAUD_RATE_STR[CPS_INDEX[index]]);
}

// "-COM3" must find a port the system calls "com3"; it is opened by the system's spelling.
QString systemSpelling(const QString& port)
{
    for (const QString& name : PortCatalog::systemPorts())
        if (name.compare(port, Qt::CaseInsensitive) == 0)
            return name;
    return QString();
}

// Leading blanks, an optional sign, then decimal digits or hexadecimal ones after "$", "X"
// or "0X" (the text is upper-cased already), and nothing after them.
std::optional<long long> parseNumber(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (text.mid(i).startsWith(QLatin1String("0X"))) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == u'$' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    // Saturates: any number this large is out of every range asked for.
    long long value = 0;
    for (; i < text.size(); ++i) {
        const int digit = text[i].isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0'
                          : base == 16 && text[i] >= u'A' && text[i] <= u'F' ? text[i].unicode() - 'A' + 10
                                                                          : -1;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = qMin(value * base + digit, 1LL << 32);
    }
    return negative ? -value : value;
}

std::optional<int> numberInRange(const QString& text, int low, int high)
{
    const auto n = parseNumber(text);
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return int(*n);
}

}  // namespace

bool CommandLine::fail(const char* what)
{
    QString echo;
    for (const QString& arg : std::as_const(FArguments))
        echo += arg + QLatin1Char(' ');
    FError = QString::fromUtf8(PARAM_ERROR_HEAD) + echo + QString::fromUtf8(what) + QString::fromUtf8(PARAM_ERROR_TAIL);
    return false;
}

bool CommandLine::takePlayback()
{
    QStringList rest;
    bool paceGiven = false;
    for (int i = 0; i < FArguments.size(); ++i) {
        const QString U = FArguments[i].toUpper();
        if (U != KEY_PLAY && U != KEY_PACE) {
            rest << FArguments[i];
            continue;
        }
        // The value is the next argument, whatever it looks like: a file may be called "-x".
        if (i + 1 >= FArguments.size() || FArguments[i + 1].isEmpty())
            return fail(U == KEY_PLAY ? PARAM_ERROR_PLAY : PARAM_ERROR_PACE);
        const QString value = FArguments[++i];
        if (U == KEY_PLAY) {
            playFile = value;
            continue;
        }
        paceGiven = true;
        if (value == QLatin1String("1") || value == QLatin1String("10"))
            playPace = value.toInt();
        else if (value.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0)
            playPace = 0;
        else
            return fail(PARAM_ERROR_PACE);
    }
    // A pace for nothing to play is a mistake worth saying.
    if (paceGiven && playFile.isEmpty())
        return fail(PARAM_ERROR_PACE);
    FArguments = rest;
    return true;
}

bool CommandLine::param_analyze()
{
    // The playback's options come in pairs and do not count against the four.
    if (!takePlayback())
        return false;
    if (FArguments.size() > MAX_ARGUMENTS)
        return fail(PARAM_ERROR_COUNT);

    for (const QString& arg : std::as_const(FArguments)) {
        const QString U = arg.toUpper();
        if (U.indexOf(KEY_ADDR) > 0)
            return fail(PARAM_ERROR_ADDR);
        if (U.startsWith(KEY_ADDR)) {
            const QString R = U.mid(KEY_ADDR.size());
            const auto n = numberInRange(R, 1, 255);
            if (!n)
                return fail(PARAM_ERROR_ADDR);
            ParamStruct.is_addr = true;
            ParamStruct.val_addr = R;
            addr = std::uint8_t(*n);
            continue;
        }

        if (U.indexOf(KEY_BAUD) > 0)
            return fail(PARAM_ERROR_BAUD);
        if (U.startsWith(KEY_BAUD)) {
            const QString speed = U.mid(KEY_BAUD.size());
            int index = -1;
            for (int i = 0; i < 6; ++i)
                if (speed == QLatin1String(BAUD_RATE_STR[CPS_INDEX[i]]))
                    index = i;
            if (index < 0)
                return fail(PARAM_ERROR_BAUD);
            set_baud_info(ParamStruct, std::uint8_t(index));
            continue;
        }

        if (U.indexOf(KEY_COM) > 0)
            return fail(PARAM_ERROR_COM);
        if (U.startsWith(KEY_COM)) {
            // On Linux a port may also be named by its device, as typed: -COM/dev/ttyUSB0.
            const QString device = arg.mid(KEY_COM.size());
            if (QDir::isAbsolutePath(device) && QFileInfo::exists(device)) {
                ParamStruct.is_com = true;
                ParamStruct.val_com = device;
                ParamStruct.comp_name = device;
                ComPortList = QStringList{device};
                continue;
            }
            const QString R = U.mid(KEY_COM.size());
            const auto n = numberInRange(R, 1, 255);
            if (!n)
                return fail(PARAM_ERROR_COM);
            ParamStruct.comp_name = QStringLiteral("COM") + QString::number(*n);
            const QString found = systemSpelling(ParamStruct.comp_name);
            if (found.isEmpty())
                return fail(PARAM_ERROR_PORT);
            ComPortList = QStringList{found};
            ParamStruct.is_com = true;
            ParamStruct.val_com = R;
            continue;
        }

        if (U.indexOf(KEY_PROT) > 0)
            return fail(PARAM_ERROR_PROT);
        if (U.startsWith(KEY_PROT))
            showLog = true;
        // Anything else is not ours and is ignored.
    }
    return true;
}
