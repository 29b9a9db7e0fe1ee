#include "ProgramFixture.h"

#include <QDir>
#include <QFile>

namespace {
AlarmSound* makeRecorder(QObject* parent) { return new RecordingAlarm(parent); }
}  // namespace

ProgramFixture::ProgramFixture(const QStringList& ports)
{
    qputenv("DORVIK_SERIAL_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
    FOldCwd = QDir::currentPath();
    QDir::setCurrent(FDir.path());
    setAlarmSoundFactory(&makeRecorder);
    CreateForms();
}

ProgramFixture::~ProgramFixture()
{
    if (fmMain)
        fmMain->close();
    DestroyForms();
    setAlarmSoundFactory(nullptr);
    QDir::setCurrent(FOldCwd);
    qputenv("DORVIK_SERIAL_PORTS", QByteArray());
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
