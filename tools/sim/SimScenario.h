#pragma once
// Things that happen to a simulated unit over time: people walking through the zone, alarms,
// power cycles, a noisy or failing line, a cable pulled out. Drives the unit through its
// public interface only, so an end-to-end test can use the same scenarios in process.
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

class SimulatedDetector;

// One person walking through the zone: the field's peak deviation, how long the crossing lasts,
// and the quiet after it (0: a few seconds, chosen at random).
struct Crossing {
    int peak = 140;
    int ms = 3000;
    int restMs = 0;
};

struct ScenarioOptions {
    int silentAfterReplies = 0;  // go silent after this many replies (0 = never)
    int backAfterS = 0;          // ... and come back after this many seconds at 4800 bit/s (0 = never)
    int corruptEvery = 0;        // every Nth answered request gets a faulty reply (0 = never)
    int corruptKind = 4;         // SimulatedDetector::Corruption
    int noiseEveryMs = 0;        // stray bytes on the line this often (0 = never)
    int alarmEveryS = 0;         // alarm flag and open relay for about two seconds this often
    bool fieldWalk = false;      // field value and alignment signal drift; a receiver in duty mode
                                 // raises its alarm while the field is over its threshold
    QList<Crossing> crossings;   // the walkers, in turn, again and again; empty: the demo's own
    int vanishAfterS = 0;        // the unit is unplugged after this many seconds (0 = never)
};

class SimScenario : public QObject {
    Q_OBJECT
public:
    static constexpr int kAlarmHoldMs = 2000;
    static constexpr int kWalkTickMs = 100;

    SimScenario(SimulatedDetector* unit, const ScenarioOptions& options, QObject* parent = nullptr);

    // The walk at ms since it began: field, signal, and the alarm the field gives. The walk's
    // timer calls it; a test calls it with times of its own.
    void walkAt(qint64 ms);
    // The demo's walkers: most cross well over the default threshold, some only just, one
    // crouching, and one in a dip of the ground that the unit misses.
    static QList<Crossing> demoCrossings();
    // Reads "PEAK:MS[:REST],..." as given on the command line; empty on a mistake.
    static QList<Crossing> parseCrossings(const QString& text);

private:
    void onReplySent();
    void onRequest(bool answered);
    void powerBackOn();
    void raiseAlarm();
    void clearAlarm();
    void followField(qint64 ms);
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
    int FWalker = -1;            // index into FCrossings while someone crosses
    int FNextCrossing = 0;
    QList<Crossing> FCrossings;
    qint64 FAlarmUntilMs = -1;   // the field's alarm, held after the field falls back; -1: none
    QRandomGenerator FRandom;
};
