#include "panel/AlarmSound.h"
// Placeholder bodies: replaced by the real ones.
namespace {
class Silent : public AlarmSound {
public:
    using AlarmSound::AlarmSound;
    void start() override { on = true; }
    void stop() override { on = false; }
    bool playing() const override { return on; }
    bool on = false;
};
AlarmSound* (*factory)(QObject*) = nullptr;
}  // namespace
AlarmSound* createAlarmSound(QObject* parent) { return factory ? factory(parent) : new Silent(parent); }
void setAlarmSoundFactory(AlarmSound* (*f)(QObject*)) { factory = f; }
