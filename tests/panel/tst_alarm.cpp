// The real alarm player and the waveform it plays.
#include "panel/AlarmSound.h"

#include <QFile>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QtEndian>
#include <QtTest>
#include <cmath>

class tst_Alarm : public QObject {
    Q_OBJECT
private slots:
    void waveformIsLoopablePcm();
    void playerIsAccountedWithoutAudioOutput();
};

namespace {
struct Wave {
    quint16 format = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    QVector<qint16> samples;
};

Wave readWave(const QByteArray& file)
{
    Wave w;
    int at = 12;
    while (at + 8 <= file.size()) {
        const QByteArray id = file.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        const char* body = file.constData() + at + 8;
        if (id == "fmt ") {
            w.format = qFromLittleEndian<quint16>(body);
            w.channels = qFromLittleEndian<quint16>(body + 2);
            w.rate = qFromLittleEndian<quint32>(body + 4);
            w.bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data") {
            for (quint32 i = 0; i + 1 < size && at + 8 + int(i) + 1 < file.size(); i += 2)
                w.samples.append(qFromLittleEndian<qint16>(body + i));
        }
        at += 8 + int(size + (size & 1));
    }
    return w;
}

double rms(const QVector<qint16>& s, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / (to - from));
}
}  // namespace

void tst_Alarm::waveformIsLoopablePcm()
{
    QFile f(QStringLiteral(":/sounds/alarm.wav"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.left(4), QByteArray("RIFF"));
    QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));
    const Wave w = readWave(bytes);
    // Integer PCM: the player refuses floating-point samples.
    QCOMPARE(w.format, quint16(1));
    QCOMPARE(w.channels, quint16(1));
    QCOMPARE(w.rate, quint32(48000));
    QCOMPARE(w.bits, quint16(16));
    QCOMPARE(w.samples.size(), 4 * 48000);

    // Four bursts, each loud for its first 0.6 s and quieter after; silent at the loop's seam.
    for (int burst = 0; burst < 4; ++burst) {
        const int start = burst * 48000;
        const double loud = rms(w.samples, start + 4800, start + 28800);
        const double tail = rms(w.samples, start + 28800, start + 48000);
        QVERIFY2(loud > 15000, qPrintable(QString::number(loud)));
        QVERIFY2(tail > 300 && tail < loud / 4, qPrintable(QString::number(tail)));
    }
    QVERIFY(std::abs(w.samples.first()) < 100);
    QVERIFY(std::abs(w.samples.last()) < 100);
}

void tst_Alarm::playerIsAccountedWithoutAudioOutput()
{
    setAlarmSoundFactory(nullptr);
    QObject owner;
    AlarmSound* alarm = createAlarmSound(&owner);
    QVERIFY(!alarm->playing());
    // Nothing is set up for sound until it is first wanted.
    QVERIFY(!alarm->findChild<QSoundEffect*>());
    alarm->stop();
    QVERIFY(!alarm->playing());

    alarm->start();
    QVERIFY(alarm->playing());
    auto* effect = alarm->findChild<QSoundEffect*>();
    QVERIFY(effect);
    QCOMPARE(effect->loopCount(), int(QSoundEffect::Infinite));
    // The waveform is accepted by the player (a refused one ends in Error).
    QTRY_VERIFY_WITH_TIMEOUT(effect->status() == QSoundEffect::Ready
                                 || effect->status() == QSoundEffect::Error,
                             5000);
    QCOMPARE(effect->status(), QSoundEffect::Ready);

    alarm->start();
    QVERIFY(alarm->playing());
    alarm->stop();
    QVERIFY(!alarm->playing());
}

QTEST_MAIN(tst_Alarm)
#include "tst_alarm.moc"
