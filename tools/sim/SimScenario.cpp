#include "SimScenario.h"

#include "SimulatedDetector.h"
#include "protocol/DetectorUnits.h"

#include <QtMath>

namespace {
constexpr int kQuietField = 20;          // field value with nobody in the zone
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
        FCrossings = options.crossings.isEmpty() ? demoCrossings() : options.crossings;
        FWalkClock.start();
        FNextWalkerMs = 2000;
        FWalk.setInterval(kWalkTickMs);
        connect(&FWalk, &QTimer::timeout, this, [this] { walkAt(FWalkClock.elapsed()); });
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

QList<Crossing> SimScenario::demoCrossings()
{
    // Against the default threshold (2.5 V, field 128): 145, 150, 138 and 152 are caught; 132
    // only just; 110 (crouching) and 92 (in a dip) are not.
    return {{145, 3000}, {150, 2600}, {110, 3400}, {138, 3000}, {92, 2800}, {152, 2400}, {132, 3200}};
}

QList<Crossing> SimScenario::parseCrossings(const QString& text)
{
    QList<Crossing> list;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        if (parts.size() < 2 || parts.size() > 3)
            return {};
        bool ok[3] = {true, true, true};
        Crossing c;
        c.peak = parts[0].toInt(&ok[0]);
        c.ms = parts[1].toInt(&ok[1]);
        c.restMs = parts.size() > 2 ? parts[2].toInt(&ok[2]) : 0;
        if (!ok[0] || !ok[1] || !ok[2] || c.peak < 0 || c.peak > 154 || c.ms < 200 || c.ms > 600000 ||
            c.restMs < 0 || c.restMs > 3600000)
            return {};
        list << c;
    }
    return list;
}

void SimScenario::walkAt(qint64 t)
{
    SimConfig& s = FUnit->state();

    // Field: a quiet level with a little jitter, and now and then someone crossing the zone,
    // which swells the deviation to the walker's peak and lets it fall back.
    double field = kQuietField + FRandom.bounded(-2, 3);
    if (t >= FNextWalkerMs && !FCrossings.isEmpty()) {
        if (FWalker < 0) {
            FWalker = FNextCrossing;
            FNextCrossing = (FNextCrossing + 1) % int(FCrossings.size());
        }
        const Crossing& c = FCrossings[FWalker];
        const double phase = double(t - FNextWalkerMs) / c.ms;
        if (phase < 1.0) {
            const double swell = qSin(M_PI * phase);
            field += (c.peak - kQuietField) * swell * swell;
        } else {
            FNextWalkerMs = t + (c.restMs > 0 ? c.restMs : FRandom.bounded(4000, 10000));
            FWalker = -1;
        }
    }
    s.field = quint8(qBound(0, qRound(field), 154));
    followField(t);

    // Alignment signal: swings slowly through weak, good and strong as the unit is turned.
    const double swing = qSin(2 * M_PI * double(t % kTurnPeriodMs) / kTurnPeriodMs);
    s.signal = quint8(qBound(0, qRound(76 + 70 * swing) + FRandom.bounded(-2, 3), 153));
}

void SimScenario::followField(qint64 t)
{
    // A receiver on duty raises its alarm because its field went over its own threshold (the
    // one the program set), and holds it a while after the field is back.
    SimConfig& s = FUnit->state();
    if (s.kind != SimConfig::Receiver)
        return;
    if (s.mode == 0 && s.field > porogInPole(s.threshold)) {
        if (FAlarmUntilMs < 0 && !s.alarm)
            FRelayWasOpen = s.stateByte & kRelayOpen;
        FAlarmUntilMs = t + kAlarmHoldMs;
        s.alarm = true;
        s.stateByte |= kRelayOpen;
    } else if (FAlarmUntilMs >= 0 && t >= FAlarmUntilMs) {
        FAlarmUntilMs = -1;
        clearAlarm();
    }
}

void SimScenario::sendNoise()
{
    QByteArray stray;
    const int n = FRandom.bounded(1, 5);
    for (int i = 0; i < n; ++i)
        stray.append(char(FRandom.bounded(256)));
    FUnit->injectNoise(stray);
}
