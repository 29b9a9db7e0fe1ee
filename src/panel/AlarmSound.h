#pragma once
#include <QObject>

// The looping alarm. Tests put a recorder in its place; the program uses QSoundEffect.
class AlarmSound : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AlarmSound() override = default;
    // Starts the alarm as an endless loop; a sound already playing is replaced.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool playing() const = 0;
};

// The real player; silent (and harmless) on a machine without an audio output.
AlarmSound* createAlarmSound(QObject* parent);

// Replaces the player that the next main window creates (tests); nullptr restores the real one.
void setAlarmSoundFactory(AlarmSound* (*factory)(QObject* parent));
