// The alarm as the program plays it: the built-in waveform, looped until stopped.
#include "panel/AlarmSound.h"

#include <QSoundEffect>
#include <QUrl>

namespace {
const char ALARM_SOURCE[] = "qrc:/sounds/alarm.wav";

class SoundEffectAlarm : public AlarmSound {
public:
    using AlarmSound::AlarmSound;

    void start() override
    {
        // Made on first use: most runs never sound an alarm and need no audio output.
        if (!FEffect) {
            FEffect = new QSoundEffect(this);
            FEffect->setSource(QUrl(QString::fromLatin1(ALARM_SOURCE)));
            FEffect->setLoopCount(QSoundEffect::Infinite);
        }
        FEffect->stop();
        FEffect->play();
        FPlaying = true;
    }

    void stop() override
    {
        if (FEffect)
            FEffect->stop();
        FPlaying = false;
    }

    // Our own account: without an audio output the effect claims to play all the same.
    bool playing() const override { return FPlaying; }

private:
    QSoundEffect* FEffect = nullptr;
    bool FPlaying = false;
};

AlarmSound* (*alarmFactory)(QObject*) = nullptr;
}  // namespace

AlarmSound* createAlarmSound(QObject* parent)
{
    return alarmFactory ? alarmFactory(parent) : new SoundEffectAlarm(parent);
}

void setAlarmSoundFactory(AlarmSound* (*factory)(QObject* parent)) { alarmFactory = factory; }
