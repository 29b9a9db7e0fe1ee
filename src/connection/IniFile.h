#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// A settings file in INI form, kept line by line so that writing changes only our keys:
// other sections, keys, comments and bytes of any encoding stay as they were. Section and
// key names match without regard to case; the first of several equal names counts.
class IniFile {
public:
    // Files larger than this are not settings files; they read as empty.
    static constexpr qint64 kMaxSize = 1024 * 1024;

    // Reads the file; a missing, unreadable or oversized file leaves it empty. Never fails.
    void load(const QString& path);
    // A file lay there that could not be read; why, in the user's words. Such a file is
    // never written over: whatever it holds would be lost.
    bool unreadable() const { return !FUnreadable.isEmpty(); }
    QString unreadableReason() const { return FUnreadable; }
    // Replaces the file whole (through a link, at its target) or leaves it as it was; false,
    // with why in the user's words, when it cannot be written, could not be read, or
    // something other than a regular file lies there.
    bool save(const QString& path, QString* error = nullptr) const;

    // The raw text of a key, trimmed; nothing when the section or key is missing.
    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    // Replaces the key's value, adding the key (and the section) when missing.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    std::int32_t readInteger(const QByteArray& section, const QByteArray& key, std::int32_t def) const;
    bool readBool(const QByteArray& section, const QByteArray& key, bool def) const;
    void writeInteger(const QByteArray& section, const QByteArray& key, std::int32_t value);
    void writeBool(const QByteArray& section, const QByteArray& key, bool value);

    // An integer in decimal (a sign allowed) or in hexadecimal after "$" or "0x".
    static std::optional<std::int32_t> parseInteger(const QByteArray& text);

private:
    // [first, end) line indexes of the section's body; first == -1 when missing.
    struct Range {
        int header = -1;
        int end = -1;
    };
    Range findSection(const QByteArray& section) const;
    int findKey(const Range& r, const QByteArray& key) const;

    QList<QByteArray> FLines;  // without line ends
    bool FBom = false;         // the file began with a UTF-8 byte-order mark, and keeps it
    QString FUnreadable;
};
