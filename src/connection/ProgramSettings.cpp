#include "connection/ProgramSettings.h"

#include "connection/IniFile.h"
#include "connection/SafeFile.h"
#include "connection/texts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QByteArray SECTION = "INTERF";
const QByteArray KEY_TOP = "TOP";
const QByteArray KEY_LEFT = "LEFT";
const QByteArray KEY_RING = "RING";
const QByteArray KEY_AIM = "AIM";
}  // namespace

QString settingsFile(const QString& exeDir)
{
    const QString name = QString::fromUtf8(SETTINGS_FILE);
    const QString overrideDir = qEnvironmentVariable("DORVIK_SETTINGS_DIR");
    if (!overrideDir.isEmpty())
        return QDir(overrideDir).filePath(name);
    const QFileInfo besideExe(exeDir + name);
    // Saved through a temporary file renamed over it: the folder it resolves to must take
    // new files too, not only the file its changes.
    const QString folder = besideExe.exists() ? QFileInfo(besideExe.canonicalFilePath()).absolutePath() : exeDir;
    const bool writable = QFileInfo(folder).isWritable() && (!besideExe.exists() || besideExe.isWritable());
    if (writable)
        return besideExe.filePath();
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userDir);
    return QDir(userDir).filePath(name);
}

ProgramSettings readProgramSettings(const QString& fileName, QString* refused)
{
    IniFile ini;
    ini.load(fileName);
    *refused = SafeFile::refusal(fileName);
    if (refused->isEmpty())
        *refused = ini.unreadableReason();
    ProgramSettings values;
    const auto integer = [&ini](const QByteArray& key) -> std::optional<int> {
        const auto text = ini.value(SECTION, key);
        return text ? IniFile::parseInteger(*text) : std::nullopt;
    };
    values.left = integer(KEY_LEFT);
    values.top = integer(KEY_TOP);
    values.ring = ini.readBool(SECTION, KEY_RING, true);
    values.aim = ini.readBool(SECTION, KEY_AIM, false);
    return values;
}

void writeProgramSettings(const QString& fileName, const ProgramSettings& values)
{
    IniFile ini;
    ini.load(fileName);
    ini.writeInteger(SECTION, KEY_TOP, values.top.value_or(0));
    ini.writeInteger(SECTION, KEY_LEFT, values.left.value_or(0));
    ini.writeBool(SECTION, KEY_RING, values.ring);
    ini.writeBool(SECTION, KEY_AIM, values.aim);
    // Nobody is left to tell at exit; a settings file that cannot be written only costs
    // the saved position and mute state, and one that could not be read is left as it was.
    QString error;
    if (!ini.save(fileName, &error))
        qWarning("Cannot write the settings file %s: %s", qPrintable(fileName), qPrintable(error));
}
