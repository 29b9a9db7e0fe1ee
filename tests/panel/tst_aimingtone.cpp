// The aiming tone: the pitch for a signal, samples without clicks across a pitch change, the
// chirp at a new maximum only, and silence whenever nobody should hear it; then the window
// driving it against a simulated receiver in alignment mode.
#include "connection/DetectorConnection.h"
#include "ProgramWithUnit.h"
#include "panel/AimingTone.h"
#include "panel/widgets.h"
#include "protocol/DetectorUnits.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int RATE = 48000;

std::vector<float> render(ToneSynth& synth, int ms)
{
    std::vector<float> out(std::size_t(RATE * ms / 1000));
    synth.render(out.data(), int(out.size()));
    return out;
}

// The pitch of a stretch of samples, from its rising zero crossings.
double pitchOf(const std::vector<float>& s)
{
    int first = -1, last = -1, crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0)
                first = int(i);
            last = int(i);
            ++crossings;
        }
    return crossings > 1 ? double(crossings - 1) * RATE / (last - first) : 0;
}

// The switch's key, pressed with the panel in front, as the installer presses it.
bool pressF3()
{
    fmMain->activateWindow();
    if (!QTest::qWaitFor([] { return QApplication::activeWindow() == fmMain; }, 5000))
        return false;
    QTest::keyClick(fmMain, Qt::Key_F3);
    return true;
}

bool allSilent(const std::vector<float>& s)
{
    return std::all_of(s.begin(), s.end(), [](float v) { return v == 0.0f; });
}
}  // namespace

class tst_AimingTone : public QObject {
    Q_OBJECT
private slots:
    void mapping_data();
    void mapping();
    void everyStepIsHeard();
    void pitchChangeKeepsPhase();
    void chirpOnNewMaximumOnly_data();
    void chirpOnNewMaximumOnly();
    void silence_data();
    void silence();
    void windowDrivesTheTone();
};

void tst_AimingTone::mapping_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<double>("hz");
    QTest::newRow("nothing") << 0 << 0.0;
    QTest::newRow("just below the weak limit") << int(UST_NORM_MIN) - 1 << 0.0;
    QTest::newRow("at the weak limit") << int(UST_NORM_MIN) << ToneSynth::LOW_HZ;
    QTest::newRow("top of the scale") << int(UST_MAX) << ToneSynth::HIGH_HZ;
    QTest::newRow("beyond the scale, shown at its top") << 200 << ToneSynth::HIGH_HZ;
}

void tst_AimingTone::mapping()
{
    QFETCH(int, signal);
    QFETCH(double, hz);
    QVERIFY2(std::abs(aimingFrequency(TPosUstMarker(signal)) - hz) < 0.01,
             qPrintable(QString::number(aimingFrequency(TPosUstMarker(signal)))));
}

void tst_AimingTone::everyStepIsHeard()
{
    // A pure tone's pitch is told apart from about 0.5 % on; each step of the signal must be
    // well above that everywhere on the scale, the strong zone where the unit is fine-tuned too.
    for (int s = UST_NORM_MIN; s < UST_MAX; ++s) {
        const double ratio = aimingFrequency(TPosUstMarker(s + 1)) / aimingFrequency(TPosUstMarker(s));
        QVERIFY2(ratio > 1.01, qPrintable(QStringLiteral("%1 -> %2: %3").arg(s).arg(s + 1).arg(ratio)));
    }
}

void tst_AimingTone::pitchChangeKeepsPhase()
{
    ToneSynth synth(RATE);
    synth.setFrequency(300);
    std::vector<float> stream = render(synth, 50);
    const std::size_t before = stream.size();
    // Rendered in odd blocks, as an output pulls them, with the change between two blocks.
    synth.setFrequency(1400);
    for (int block : {7, 131, 480, 2000, 1})
        for (int i = 0; i < 3; ++i) {
            std::vector<float> b(static_cast<std::size_t>(block));
            synth.render(b.data(), block);
            stream.insert(stream.end(), b.begin(), b.end());
        }
    // No sample lies further from its neighbour than the faster sine ever moves in one step.
    const double maxStep = ToneSynth::AMPLITUDE * 2 * M_PI * 1400 / RATE * 1.02;
    for (std::size_t i = 1; i < stream.size(); ++i)
        QVERIFY2(std::abs(stream[i] - stream[i - 1]) <= maxStep,
                 qPrintable(QStringLiteral("jump at sample %1 (change at %2)").arg(i).arg(before)));
    QVERIFY(std::abs(pitchOf(std::vector<float>(stream.begin(), stream.begin() + before)) - 300) < 6);
    QVERIFY(std::abs(pitchOf(std::vector<float>(stream.begin() + before, stream.end())) - 1400) < 28);
    QCOMPARE(synth.soundingFrequency(), 1400.0);
}

void tst_AimingTone::chirpOnNewMaximumOnly_data()
{
    QTest::addColumn<QList<int>>("values");  // -1: the unit leaves alignment
    QTest::addColumn<bool>("chirp");          // after the last value
    QTest::newRow("first value of the alignment") << QList<int>{80} << false;
    QTest::newRow("a new maximum") << QList<int>{80, 90} << true;
    QTest::newRow("back below the maximum") << QList<int>{80, 90, 85} << false;
    QTest::newRow("the maximum again") << QList<int>{80, 90, 90} << false;
    QTest::newRow("past it after a dip") << QList<int>{80, 90, 70, 91} << true;
    QTest::newRow("rising, but unheard below the weak limit") << QList<int>{10, 20} << false;
    // A new alignment starts its own maximum: no chirp on its first value, one on its second.
    QTest::newRow("new alignment, first value") << QList<int>{120, -1, 60} << false;
    QTest::newRow("new alignment, above its first") << QList<int>{120, -1, 60, 61} << true;
}

void tst_AimingTone::chirpOnNewMaximumOnly()
{
    QFETCH(QList<int>, values);
    QFETCH(bool, chirp);
    AimingTone tone;
    tone.setEnabled(true);
    for (int s : values.mid(0, values.size() - 1)) {
        tone.update(s >= 0, false, TPosUstMarker(std::max(s, 0)));
        // Long enough for a chirp and its rest to have passed.
        render(tone.synth(), 300);
    }
    tone.update(true, false, TPosUstMarker(values.last()));
    // Halfway through a chirp its pitch is well above the tone's.
    render(tone.synth(), ToneSynth::CHIRP_MS / 2);
    const double base = aimingFrequency(TPosUstMarker(values.last()));
    QCOMPARE(tone.synth().soundingFrequency() > base * 1.2, chirp);
}

void tst_AimingTone::silence_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("the switch off") << "switch";
    QTest::newRow("a dialog opens") << "dialog";
    QTest::newRow("the unit leaves alignment") << "mode";
    QTest::newRow("no value comes any more") << "stale";
}

void tst_AimingTone::silence()
{
    QFETCH(QString, what);
    AimingTone tone;
    tone.setEnabled(true);
    tone.update(true, false, 100);
    QCOMPARE(tone.frequency(), aimingFrequency(100));
    QVERIFY(!allSilent(render(tone.synth(), 20)));

    if (what == "switch")
        tone.setEnabled(false);
    else if (what == "dialog")
        tone.update(true, true, 100);
    else if (what == "mode")
        tone.update(false, false, 100);
    // Stale: the tone stops by itself once the values stop coming (polling held up).
    QTRY_COMPARE_WITH_TIMEOUT(tone.frequency(), 0.0, 10 * AimingTone::STALE_MS);
    // Faded out, then nothing.
    render(tone.synth(), 2 * ToneSynth::FADE_MS);
    QVERIFY(allSilent(render(tone.synth(), 50)));
    QCOMPARE(tone.synth().soundingFrequency(), 0.0);

    // Whatever silenced it, the same value once the condition is gone sounds again.
    if (what == "switch")
        tone.setEnabled(true);
    tone.update(true, false, 100);
    QCOMPARE(tone.frequency(), aimingFrequency(100));
}

void tst_AimingTone::windowDrivesTheTone()
{
    SimConfig config;
    config.mode = 1;
    config.signal = 90;
    ProgramWithUnit rig(config);
    QVERIFY(rig.startPolling(15000));
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->sbUst->Down() && fmMain->UstMarkerPos() == 90, 15000);
    AimingTone* tone = fmMain->aimingTone;
    QVERIFY(fmMain->sbAim->isVisible());
    QVERIFY(!fmMain->sbAim->Down());
    QCOMPARE(tone->frequency(), 0.0);

    // Its key, as its tooltip says, switches it on; the pitch follows the unit.
    QVERIFY(fmMain->sbAim->toolTip().endsWith(QStringLiteral("(F3)")));
    QVERIFY(pressF3());
    QVERIFY(fmMain->sbAim->Down());
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), aimingFrequency(90), 5000);
    rig.sim.state().signal = 130;
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), aimingFrequency(130), 5000);

    // Muting the alarm leaves the tone alone.
    const bool muted = fmMain->sbZvonok->Down();
    fmMain->sbZvonok->click();
    QCOMPARE(fmMain->sbZvonok->Down(), !muted);
    QCOMPARE(tone->frequency(), aimingFrequency(130));

    // A dialog over the window silences it while it is open; the switch greys out with the rest.
    double whileOpen = -1;
    bool switchEnabled = true;
    QTimer::singleShot(0, [&] {
        const auto dialog = [] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); };
        if (!QTest::qWaitFor([&] { return dialog() != nullptr; }, 5000))
            return;
        // Polling goes on under the dialog: a few replies, and the tone is still silent.
        const int mark = rig.sim.requests().size();
        QTest::qWaitFor([&] { return rig.sim.requests().size() > mark + 5; }, 5000);
        whileOpen = tone->frequency();
        switchEnabled = fmMain->sbAim->isEnabled();
        dialog()->reject();
    });
    fmMain->bbLiterClick();
    QCOMPARE(whileOpen, 0.0);
    QVERIFY(!switchEnabled);
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), aimingFrequency(130), 5000);

    // Duty mode: silent.
    fmMain->sbRabota->click();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->Detector.FRejim == dej, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), 0.0, 5000);

    // Back in alignment, then the switch off.
    fmMain->sbUst->click();
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), aimingFrequency(130), 10000);
    QVERIFY(pressF3());
    QVERIFY(!fmMain->sbAim->Down());
    QCOMPARE(tone->frequency(), 0.0);

    // The unit gone: silent, even with the switch on again.
    QVERIFY(pressF3());
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), aimingFrequency(130), 5000);
    rig.sim.setSilent(true);
    QTRY_COMPARE_WITH_TIMEOUT(tone->frequency(), 0.0, 5000);
}

QTEST_MAIN(tst_AimingTone)
#include "tst_aimingtone.moc"
