#pragma once
// Things that happen to a simulated unit over time: people walking through the zone, alarms,
// power cycles, a noisy or failing line, a cable pulled out. Drives the unit through its
// public interface only, so an end-to-end test can use the same scenarios in process.
#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

class SimulatedDetector;

struct ScenarioOptions {
    int silentAfterReplies = 0;  // go silent after this many replies (0 = never)
    int backAfterS = 0;          // ... and come back after this many seconds at 4800 bit/s (0 = never)
    int corruptEvery = 0;        // every Nth answered request gets a faulty reply (0 = never)
    int corruptKind = 4;         // SimulatedDetector::Corruption
    int noiseEveryMs = 0;        // stray bytes on the line this often (0 = never)
    int alarmEveryS = 0;         // alarm flag and open relay for about two seconds this often
    bool fieldWalk = false;      // field value and alignment signal drift
    int vanishAfterS = 0;        // the unit is unplugged after this many seconds (0 = never)
};

class SimScenario : public QObject {
    Q_OBJECT
public:
    static constexpr int kAlarmHoldMs = 2000;
    static constexpr int kWalkTickMs = 100;

    SimScenario(SimulatedDetector* unit, const ScenarioOptions& options, QObject* parent = nullptr);

private:
    void onReplySent();
    void onRequest(bool answered);
    void powerBackOn();
    void raiseAlarm();
    void clearAlarm();
    void walkTick();
    void sendNoise();

    SimulatedDetector* FUnit;
    ScenarioOptions FOptions;
    quint8 FPowerOnMode;         // the mode the unit starts in after a power cycle
    int FRepliesSincePowerOn = 0;
    int FAnsweredCount = 0;
    bool FRelayWasOpen = false;
    QTimer FAlarmEvery, FAlarmHold, FWalk, FNoise;
    QElapsedTimer FWalkClock;
    qint64 FNextWalkerMs = 0;    // when the next person starts crossing the zone
    int FWalkerPeak = 0;
    QRandomGenerator FRandom;
};
