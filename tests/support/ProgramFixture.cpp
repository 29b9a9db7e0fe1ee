#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "panel/AimingTone.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

namespace {
AlarmSound* makeRecorder(QObject* parent) { return new RecordingAlarm(parent); }
}  // namespace

ProgramFixture::ProgramFixture(const QStringList& ports, const QString& workDir)
    : FWorkDir(workDir.isEmpty() ? FDir.path() : workDir)
{
    qputenv("DORVIK_SERIAL_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
    FOldCwd = QDir::currentPath();
    QDir::setCurrent(FWorkDir);
    // Each program keeps its settings to itself, not next to the shared test executables,
    // unless the test chose a place.
    FOwnSettingsDir = !qEnvironmentVariableIsSet("DORVIK_SETTINGS_DIR");
    if (FOwnSettingsDir)
        qputenv("DORVIK_SETTINGS_DIR", FWorkDir.toLocal8Bit());
    setAlarmSoundFactory(&makeRecorder);
    AimingTone::setAudioOutputAllowed(false);
    CreateForms();
}

ProgramFixture::~ProgramFixture()
{
    if (fmMain)
        fmMain->close();
    DestroyForms();
    setAlarmSoundFactory(nullptr);
    AimingTone::setAudioOutputAllowed(true);
    QDir::setCurrent(FOldCwd);
    qputenv("DORVIK_SERIAL_PORTS", QByteArray());
    if (FOwnSettingsDir)
        qunsetenv("DORVIK_SETTINGS_DIR");
}

void ProgramFixture::start(const QStringList& arguments)
{
    fmMain->arguments = arguments;
    fmMain->show();
}

RecordingAlarm* ProgramFixture::alarm() const { return static_cast<RecordingAlarm*>(fmMain->alarmSound); }

QByteArray ProgramFixture::readFile(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void decodeReply(std::initializer_list<int> payload)
{
    Receiver->ClearRe();
    for (int b : payload)
        Receiver->AddRe(Byte(b));
    DispObmen->TranslateRec();
}

bool polling() { return fmMain->connection->FlagReply() && DispObmen && DispObmen->VidObmen() == permanent; }

QStringList logLines()
{
    QStringList lines;
    for (int i = 0; i < fmMain->lbStepInit->count(); ++i)
        lines << fmMain->lbStepInit->item(i)->text();
    return lines;
}
