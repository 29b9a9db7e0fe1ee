#pragma once
// The settings file: where the window stood, whether the alarm sounds and whether the aiming
// tone does. Plain values; the window applies them and hands them back.
#include <QPoint>
#include <QString>
#include <optional>

struct ProgramSettings {
    // The window's top left corner; each coordinate only as far as the file gives it.
    std::optional<int> left, top;
    bool ring = true;
    // Off unless the installer turned it on: a laptop that starts whistling at a site where
    // nobody asked for it (a guard post at night, a meeting) is worse than one press of F3.
    bool aim = false;
};

// Next to the executable, as installers expect; in the user's configuration directory when
// the program is installed where the user may not write. DORVIK_SETTINGS_DIR overrides both.
QString settingsFile(const QString& exeDir);

// What the file holds; refused is set (and the defaults returned) when it may not be read:
// no regular file, too large, unreadable.
ProgramSettings readProgramSettings(const QString& fileName, QString* refused);
// Writes the values, keeping whatever else the file holds; a file that cannot be written
// only costs the saved position and mute state, and is said on the program's error output.
void writeProgramSettings(const QString& fileName, const ProgramSettings& values);
