#include "SimScenario.h"

#include "SimulatedDetector.h"

#include <QtMath>

namespace {
constexpr int kQuietField = 20;          // field value with nobody in the zone
constexpr int kCrossingMs = 3000;        // one person walking through the zone
constexpr int kTurnPeriodMs = 20000;     // one full swing of an installer turning a unit
constexpr quint8 kRelayOpen = 0x01;
}  // namespace

SimScenario::SimScenario(SimulatedDetector* unit, const ScenarioOptions& options, QObject* parent)
    : QObject(parent), FUnit(unit), FOptions(options), FPowerOnMode(unit->state().mode),
      FRandom(quint32(QRandomGenerator::global()->generate()))
{
    connect(unit, &SimulatedDetector::replySent, this, &SimScenario::onReplySent);
    connect(unit, &SimulatedDetector::requestReceived, this,
            [this](const SimRequest& r) { onRequest(r.answered); });

    if (options.alarmEveryS > 0) {
        FAlarmEvery.setInterval(options.alarmEveryS * 1000);
        connect(&FAlarmEvery, &QTimer::timeout, this, &SimScenario::raiseAlarm);
        FAlarmEvery.start();
        FAlarmHold.setSingleShot(true);
        FAlarmHold.setInterval(kAlarmHoldMs);
        connect(&FAlarmHold, &QTimer::timeout, this, &SimScenario::clearAlarm);
    }
    if (options.fieldWalk) {
        FWalkClock.start();
        FNextWalkerMs = 2000;
        FWalk.setInterval(kWalkTickMs);
        connect(&FWalk, &QTimer::timeout, this, &SimScenario::walkTick);
        FWalk.start();
    }
    if (options.noiseEveryMs > 0) {
        FNoise.setInterval(options.noiseEveryMs);
        connect(&FNoise, &QTimer::timeout, this, &SimScenario::sendNoise);
        FNoise.start();
    }
    if (options.vanishAfterS > 0)
        QTimer::singleShot(options.vanishAfterS * 1000, unit, &SimulatedDetector::vanish);
}

void SimScenario::onReplySent()
{
    if (FOptions.silentAfterReplies <= 0 || FUnit->isSilent())
        return;
    if (++FRepliesSincePowerOn < FOptions.silentAfterReplies)
        return;
    FUnit->setSilent(true);
    if (FOptions.backAfterS > 0)
        QTimer::singleShot(FOptions.backAfterS * 1000, this, &SimScenario::powerBackOn);
}

void SimScenario::onRequest(bool answered)
{
    // Runs before the unit builds its reply, so the fault lands on this very request's answer.
    if (answered && FOptions.corruptEvery > 0 && ++FAnsweredCount % FOptions.corruptEvery == 0)
        FUnit->corruptNext(FOptions.corruptKind);
}

void SimScenario::powerBackOn()
{
    // A unit that was switched off forgets the speed it was told and starts in its own mode.
    FUnit->powerCycle();
    FUnit->state().mode = FPowerOnMode;
    FRepliesSincePowerOn = 0;
    FUnit->setSilent(false);
}

void SimScenario::raiseAlarm()
{
    SimConfig& s = FUnit->state();
    if (!s.alarm)
        FRelayWasOpen = s.stateByte & kRelayOpen;
    s.alarm = true;
    s.stateByte |= kRelayOpen;
    FAlarmHold.start();
}

void SimScenario::clearAlarm()
{
    SimConfig& s = FUnit->state();
    s.alarm = false;
    if (!FRelayWasOpen)
        s.stateByte &= quint8(~kRelayOpen);
}

void SimScenario::walkTick()
{
    SimConfig& s = FUnit->state();
    const qint64 t = FWalkClock.elapsed();

    // Field: a quiet level with a little jitter, and now and then someone crossing the zone,
    // which swells the deviation to a peak and lets it fall back.
    double field = kQuietField + FRandom.bounded(-2, 3);
    if (t >= FNextWalkerMs) {
        if (FWalkerPeak == 0)
            FWalkerPeak = FRandom.bounded(70, 150);
        const double phase = double(t - FNextWalkerMs) / kCrossingMs;
        if (phase < 1.0) {
            const double swell = qSin(M_PI * phase);
            field += (FWalkerPeak - kQuietField) * swell * swell;
        } else {
            FWalkerPeak = 0;
            FNextWalkerMs = t + FRandom.bounded(4000, 10000);
        }
    }
    s.field = quint8(qBound(0, qRound(field), 154));

    // Alignment signal: swings slowly through weak, good and strong as the unit is turned.
    const double swing = qSin(2 * M_PI * double(t % kTurnPeriodMs) / kTurnPeriodMs);
    s.signal = quint8(qBound(0, qRound(76 + 70 * swing) + FRandom.bounded(-2, 3), 153));
}

void SimScenario::sendNoise()
{
    QByteArray stray;
    const int n = FRandom.bounded(1, 5);
    for (int i = 0; i < n; ++i)
        stray.append(char(FRandom.bounded(256)));
    FUnit->injectNoise(stray);
}
