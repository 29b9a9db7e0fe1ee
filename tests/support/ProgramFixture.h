#pragma once
#include "panel/AlarmSound.h"
#include "panel/main.h"
#include "protocol/obmen.h"
#include "serial/SerialDrv.h"

#include <QDir>
#include <QStringList>
#include <initializer_list>
#include <QTemporaryDir>

// Records what the alarm would play, instead of playing it.
class RecordingAlarm : public AlarmSound {
public:
    using AlarmSound::AlarmSound;
    void start() override { ++starts; on = true; }
    void stop() override { ++stops; on = false; }
    bool playing() const override { return on; }
    int starts = 0, stops = 0;
    bool on = false;
};

// The real program in a scratch working directory, with the serial ports the test names and a
// recording alarm. Destroying it closes the window the normal way and frees every form.
class ProgramFixture {
public:
    // workDir: a directory the test prepared, instead of a fresh one.
    explicit ProgramFixture(const QStringList& ports = {}, const QString& workDir = {});
    ~ProgramFixture();
    // Shows the main window with these arguments: the command line is read and the search starts.
    void start(const QStringList& arguments = {});
    RecordingAlarm* alarm() const;
    QString file(const QString& name) const { return QDir(FWorkDir).filePath(name); }
    QByteArray readFile(const QString& name) const;

private:
    QTemporaryDir FDir;
    QString FWorkDir;
    QString FOldCwd;
    bool FOwnSettingsDir = false;
};

// The lines of the connection log on the start page, top to bottom.
QStringList logLines();

// The program has found its unit and polls it.
bool polling();

// Decodes an accepted reply's payload (code, then data bytes) as the dispatcher would.
void decodeReply(std::initializer_list<int> payload);
