#include "connection/IniFile.h"

#include "connection/SafeFile.h"
#include "connection/texts.h"

#include <QFileInfo>
#include <limits>

namespace {

// "[name]" → name; nothing for any other line.
std::optional<QByteArray> sectionName(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool isComment(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    return t.startsWith(';') || t.startsWith('#');
}

// "name = value" → name; nothing for a line without '='.
std::optional<QByteArray> keyName(const QByteArray& line)
{
    if (isComment(line))
        return std::nullopt;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void IniFile::load(const QString& path)
{
    FLines.clear();
    FBom = false;
    FUnreadable.clear();
    // A directory, a device, a pipe (opening it would wait for a writer) or a huge file in
    // its place is no settings file.
    SafeFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (QFileInfo::exists(path))
            FUnreadable = file.errorString();
        return;
    }
    if (file.size() > kMaxSize) {
        FUnreadable = QString::fromUtf8(SETTINGS_TOO_LARGE);
        return;
    }
    QByteArray text = file.read(kMaxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        FUnreadable = file.errorString();
        return;
    }
    if (text.size() > kMaxSize) {
        FUnreadable = QString::fromUtf8(SETTINGS_TOO_LARGE);
        return;
    }
    // Some editors begin a file with a byte-order mark; the first section is still a section.
    if (text.startsWith("\xEF\xBB\xBF")) {
        FBom = true;
        text.remove(0, 3);
    }
    if (text.endsWith('\n'))
        text.chop(1);
    if (text.isEmpty())
        return;
    FLines = text.split('\n');
    for (QByteArray& line : FLines)
        if (line.endsWith('\r'))
            line.chop(1);
}

bool IniFile::save(const QString& path, QString* error) const
{
    QString why;
    if (!error)
        error = &why;
    if (unreadable()) {
        *error = FUnreadable;
        return false;
    }
    QByteArray text = FBom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QByteArray& line : FLines)
        text += line + "\r\n";
    // Whole or not at all: a program killed while writing leaves the old settings, not an
    // empty file. A settings file linked from elsewhere (a kept dotfile) stays a link.
    WholeFile file(path);
    if (file.open() && file.write(text) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

IniFile::Range IniFile::findSection(const QByteArray& section) const
{
    Range r;
    for (int i = 0; i < FLines.size(); ++i) {
        const auto name = sectionName(FLines[i]);
        if (!name)
            continue;
        if (r.header >= 0) {
            r.end = i;
            return r;
        }
        if (sameName(*name, section))
            r.header = i;
    }
    if (r.header >= 0)
        r.end = int(FLines.size());
    return r;
}

int IniFile::findKey(const Range& r, const QByteArray& key) const
{
    for (int i = r.header + 1; i < r.end; ++i) {
        const auto name = keyName(FLines[i]);
        if (name && sameName(*name, key))
            return i;
    }
    return -1;
}

std::optional<QByteArray> IniFile::value(const QByteArray& section, const QByteArray& key) const
{
    const Range r = findSection(section);
    if (r.header < 0)
        return std::nullopt;
    const int i = findKey(r, key);
    if (i < 0)
        return std::nullopt;
    const QByteArray& line = FLines[i];
    return line.mid(line.indexOf('=') + 1).trimmed();
}

void IniFile::setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    Range r = findSection(section);
    if (r.header < 0) {
        FLines.append('[' + section + ']');
        r.header = int(FLines.size()) - 1;
        r.end = int(FLines.size());
    }
    const QByteArray line = key + '=' + value;
    const int i = findKey(r, key);
    if (i >= 0) {
        FLines[i] = line;
        return;
    }
    // After the section's last non-blank line, so that a blank line before the next
    // section stays where it was.
    int at = r.end;
    while (at > r.header + 1 && FLines[at - 1].trimmed().isEmpty())
        --at;
    FLines.insert(at, line);
}

std::optional<std::int32_t> IniFile::parseInteger(const QByteArray& text)
{
    QByteArray t = text.trimmed();
    bool negative = false;
    if (t.startsWith('+') || t.startsWith('-')) {
        negative = t.startsWith('-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith('$')) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith("0x") || t.startsWith("0X")) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return std::nullopt;
    // Hexadecimal reaches the full 32 bits (0xFFFFFFFF is -1); decimal must fit as written.
    const std::int64_t limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 0x80000000LL : 0x7FFFFFFFLL);
    std::int64_t v = 0;
    for (const char c : t) {
        const int d = hexDigit(c);
        if (d < 0 || d >= base)
            return std::nullopt;
        v = v * base + d;
        if (v > limit)
            return std::nullopt;
    }
    const auto bits = std::uint32_t(negative ? -v : v);
    return std::int32_t(bits);
}

std::int32_t IniFile::readInteger(const QByteArray& section, const QByteArray& key, std::int32_t def) const
{
    const auto text = value(section, key);
    if (!text)
        return def;
    return parseInteger(*text).value_or(def);
}

bool IniFile::readBool(const QByteArray& section, const QByteArray& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeInteger(const QByteArray& section, const QByteArray& key, std::int32_t value)
{
    setValue(section, key, QByteArray::number(value));
}

void IniFile::writeBool(const QByteArray& section, const QByteArray& key, bool value)
{
    setValue(section, key, value ? "1" : "0");
}
