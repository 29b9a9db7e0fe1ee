#include "panel/AimingTone.h"

#include "protocol/DetectorUnits.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr double TWO_PI = 6.283185307179586;
bool outputAllowed = true;

// What an audio output pulls: the synthesiser's samples, endlessly, in the output's format.
class ToneStream : public QIODevice {
public:
    ToneStream(ToneSynth& synth, const QAudioFormat& format, QObject* parent)
        : QIODevice(parent), FSynth(synth), FFormat(format)
    {
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + (1 << 20); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const int frameBytes = FFormat.bytesPerFrame();
        const int frames = int(std::min<qint64>(maxSize / frameBytes, 1 << 16));
        FMono.resize(std::size_t(frames));
        FSynth.render(FMono.data(), frames);
        const int channels = FFormat.channelCount();
        if (FFormat.sampleFormat() == QAudioFormat::Float) {
            auto* out = reinterpret_cast<float*>(data);
            for (int i = 0; i < frames; ++i)
                std::fill_n(out + i * channels, channels, FMono[std::size_t(i)]);
        } else {
            auto* out = reinterpret_cast<qint16*>(data);
            for (int i = 0; i < frames; ++i)
                std::fill_n(out + i * channels, channels, qint16(std::lround(FMono[std::size_t(i)] * 32767)));
        }
        return qint64(frames) * frameBytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ToneSynth& FSynth;
    QAudioFormat FFormat;
    std::vector<float> FMono;
};
}  // namespace

double aimingFrequency(TPosUstMarker signal)
{
    if (signal < UST_NORM_MIN)
        return 0;
    const double along = double(shownUst(signal) - UST_NORM_MIN) / double(UST_MAX - UST_NORM_MIN);
    return ToneSynth::LOW_HZ * std::pow(ToneSynth::HIGH_HZ / ToneSynth::LOW_HZ, along);
}

ToneSynth::ToneSynth(int sampleRate) : FRate(sampleRate) {}

void ToneSynth::render(float* out, int frames)
{
    // Read once a block: a block is a few milliseconds of sound.
    const double asked = FAsked.load();
    if (asked > 0)
        FBase = asked;
    const double levelStep = 1000.0 / (FADE_MS * FRate);
    const double levelTarget = asked > 0 ? 1.0 : 0.0;
    const int chirpLength = CHIRP_MS * FRate / 1000;
    const int rest = CHIRP_REST_MS * FRate / 1000;
    double f = FBase;
    for (int i = 0; i < frames; ++i) {
        if (FLevel < levelTarget)
            FLevel = std::min(levelTarget, FLevel + levelStep);
        else if (FLevel > levelTarget)
            FLevel = std::max(levelTarget, FLevel - levelStep);

        if (FChirpAt < 0 && FRestLeft > 0)
            --FRestLeft;
        if (FChirpAt < 0 && FRestLeft == 0 && FChirpAsked.load(std::memory_order_relaxed)) {
            FChirpAsked.store(false);
            // A chirp over silence would be the only thing heard: a false maximum.
            if (asked > 0)
                FChirpAt = 0;
        }
        f = FBase;
        if (FChirpAt >= 0) {
            f *= std::exp2(double(FChirpAt) / chirpLength);
            if (++FChirpAt >= chirpLength) {
                FChirpAt = -1;
                FRestLeft = rest;
            }
        }
        out[i] = float(AMPLITUDE * FLevel * std::sin(TWO_PI * FPhase));
        FPhase += f / FRate;
        FPhase -= std::floor(FPhase);
    }
    FSounding.store(FLevel > 0 ? f : 0.0);
}

AimingTone::AimingTone(QObject* parent) : QObject(parent), FWatch(new QTimer(this))
{
    FWatch->setInterval(100);
    connect(FWatch, &QTimer::timeout, this, &AimingTone::watch);
}

AimingTone::~AimingTone() { stopOutput(); }

void AimingTone::setAudioOutputAllowed(bool allowed) { outputAllowed = allowed; }

void AimingTone::setEnabled(bool on)
{
    FEnabled = on;
    follow();
}

void AimingTone::update(bool aligning, bool dialogOpen, TPosUstMarker signal)
{
    FFresh.start();
    if (!aligning)
        FMax = -1;
    // The maximum counts from the first value of the alignment, heard or not.
    const bool newMax = aligning && FMax >= 0 && signal > FMax;
    if (aligning)
        FMax = std::max<int>(FMax, signal);
    FAligning = aligning;
    FDialog = dialogOpen;
    FSignal = signal;
    follow();
    if (newMax && frequency() > 0)
        FSynth.chirp();
}

void AimingTone::follow()
{
    const bool wanted = FEnabled && FAligning && !FDialog;
    const bool fresh = FFresh.isValid() && FFresh.elapsed() < STALE_MS;
    FSynth.setFrequency(wanted && fresh ? aimingFrequency(FSignal) : 0.0);
    if (!wanted) {
        FOutputTried = false;
        return;
    }
    if (!FWatch->isActive())
        FWatch->start();
    // Once each time the tone is wanted: a machine without sound is not asked at every poll.
    if (!FOutputTried) {
        FOutputTried = true;
        startOutput();
    }
}

void AimingTone::watch()
{
    follow();
    if (frequency() > 0)
        return;
    // Kept open while the tone is only between values; closed once it has faded out, so that
    // a laptop on duty for hours keeps no audio stream open.
    const bool wanted = FEnabled && FAligning && !FDialog;
    if (!wanted && (!FSink || FSynth.soundingFrequency() == 0)) {
        stopOutput();
        FWatch->stop();
    }
}

void AimingTone::startOutput()
{
    if (!outputAllowed)
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format) || format.sampleRate() <= 0)
        return;
    FSynth.setSampleRate(format.sampleRate());
    FStream = new ToneStream(FSynth, format, this);
    FStream->open(QIODevice::ReadOnly);
    FSink = new QAudioSink(device, format, this);
    FSink->setBufferSize(format.bytesForDuration(qint64(BUFFER_MS) * 1000));
    // A device that fails or goes away leaves the program silent, as if it had none.
    connect(FSink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && FSink && FSink->error() != QAudio::NoError)
            QTimer::singleShot(0, this, &AimingTone::stopOutput);
    });
    FSink->start(FStream);
}

void AimingTone::stopOutput()
{
    if (FSink) {
        FSink->disconnect(this);
        FSink->stop();
        delete FSink;
        FSink = nullptr;
    }
    delete FStream;
    FStream = nullptr;
}
