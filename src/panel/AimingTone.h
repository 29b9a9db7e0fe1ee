#pragma once
// The aiming tone: while a receiver is aligned, a continuous tone whose pitch follows the
// transmitter's signal, and a short rising chirp at each new maximum, so that the installer
// can turn the unit at its post with the laptop out of sight. Synthesised here; no sound file.
#include "protocol/DetectorState.h"

#include <QElapsedTimer>
#include <QObject>
#include <atomic>

class QAudioSink;
class QIODevice;
class QTimer;

// The pitch for a signal: none below the weak-zone limit, LOW_HZ at it, rising by the same
// musical interval with every step of the signal up to HIGH_HZ at the top of the scale. The
// ear hears ratios, not differences: equal ratios make one step as audible near the top,
// where the installer fine-tunes, as near the bottom (about a quarter of a semitone a step).
double aimingFrequency(TPosUstMarker signal);

// Produces the tone's samples. The pitch changes only the phase's step, never the phase, so a
// change makes no click; starts and stops are faded over a few milliseconds for the same
// reason. The pitch and the chirp may be asked from another thread than the one rendering.
class ToneSynth {
public:
    static constexpr double LOW_HZ = 300;
    static constexpr double HIGH_HZ = 1500;
    static constexpr int CHIRP_MS = 80;
    // After a chirp, so that a signal climbing step by step is heard as chirps, not a trill.
    static constexpr int CHIRP_REST_MS = 120;
    static constexpr int FADE_MS = 5;
    static constexpr double AMPLITUDE = 0.6;

    explicit ToneSynth(int sampleRate = 48000);
    int sampleRate() const { return FRate; }
    // Only while nothing renders: an output starts at its device's own rate.
    void setSampleRate(int rate) { FRate = rate; }

    // 0 silences the tone.
    void setFrequency(double hz) { FAsked.store(hz); }
    double frequency() const { return FAsked.load(); }
    // An octave's rise over CHIRP_MS above the tone; one asked during a chirp or its rest
    // follows it. Nothing while the tone is silent.
    void chirp() { FChirpAsked.store(true); }

    // frames samples in -1..1.
    void render(float* out, int frames);
    // The pitch of the last sample rendered, the chirp's included; 0 once faded out.
    double soundingFrequency() const { return FSounding.load(); }

private:
    int FRate;
    std::atomic<double> FAsked{0};
    std::atomic<bool> FChirpAsked{false};
    std::atomic<double> FSounding{0};
    double FPhase = 0;  // in cycles, 0..1
    double FBase = 0;   // the pitch faded out keeps sounding at
    double FLevel = 0;
    int FChirpAt = -1;  // samples into the running chirp
    int FRestLeft = 0;
};

class AimingTone : public QObject {
    Q_OBJECT
public:
    // An output's own buffer: what is queued ahead of a pitch change. Small, so that a change
    // is heard at once; large enough for a busy laptop's scheduler.
    static constexpr int BUFFER_MS = 40;
    // Without a fresh value for this long (polling stalled under a box) the tone stops.
    static constexpr int STALE_MS = 500;

    explicit AimingTone(QObject* parent = nullptr);
    ~AimingTone() override;

    // The installer's switch.
    void setEnabled(bool on);
    bool enabled() const { return FEnabled; }
    // What the window knows after each reply or change: whether a receiver is polled in
    // alignment mode, whether a dialog is open, and the signal.
    void update(bool aligning, bool dialogOpen, TPosUstMarker signal);

    // The pitch asked of the generator; 0 while the tone is silent.
    double frequency() const { return FSynth.frequency(); }
    ToneSynth& synth() { return FSynth; }
    // An audio output is playing the stream (never on a machine without one).
    bool playing() const { return FSink != nullptr; }

    // Tests and the benchmark keep the program away from the sound card.
    static void setAudioOutputAllowed(bool allowed);

private:
    void follow();
    void startOutput();
    void stopOutput();
    void watch();

    ToneSynth FSynth;
    bool FEnabled = false;
    bool FAligning = false;
    bool FDialog = false;
    TPosUstMarker FSignal = 0;
    int FMax = -1;  // since alignment began; -1 before its first value
    QElapsedTimer FFresh;
    QTimer* FWatch;
    bool FOutputTried = false;
    QAudioSink* FSink = nullptr;
    QIODevice* FStream = nullptr;
};
