// Measures what the README's performance section reports: polling throughput against the
// wire's limit, alarm-to-screen latency, the aiming tone's latency, CPU and memory while
// polling, and start-up time.
// Runs the real program and the real simulator; prints figures; asserts nothing.
#include "connection/DetectorConnection.h"
#include "CaptureReplay.h"
#include "SimulatedDetector.h"
#include "panel/AimingTone.h"
#include "panel/AlarmSound.h"
#include "panel/main.h"
#include "panel/widgets.h"
#include "connection/DetectorLink.h"
#include "connection/texts.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/obmen.h"
#include "serial/CaptureReader.h"
#include "serial/SerialDrv.h"
#include "journal/JournalWriter.h"
#include "journal/SiteJournal.h"
#include "trend/JournalKeeper.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"
#include "trend/WalkTest.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <unistd.h>

namespace {

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Bits on the wire for one exchange of the duty series: 8-byte request, the series' mean reply.
double dutyExchangeSeconds(int baud, double processingMs)
{
    const double replyBytes = (14.0 + 7 * 8.0) / 8.0;
    return (8.0 + replyBytes) * 10.0 / baud + processingMs / 1000.0;
}

struct ProcStat {
    double cpuSeconds = 0;
    long peakRssKb = 0;
};

ProcStat readProc(qint64 pid)
{
    ProcStat s;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList f = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (f.size() > 13)
            s.cpuSeconds = (f[11].toDouble() + f[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromLatin1(status.readAll());
        const auto m = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)")).match(text);
        if (m.hasMatch())
            s.peakRssKb = m.captured(1).toLong();
    }
    return s;
}

// The real program polling the real simulator over a pseudo-terminal.
// wholeReplies: the unit's bytes reach the program as one piece per reply, as through a
// USB adapter that hands a short reply over at its end; otherwise byte by byte as they come.
void polling(int baud, const QString& baudArg, int seconds, bool wholeReplies)
{
    QTemporaryDir dir;
    const QString portsFile = dir.filePath(QStringLiteral("ports"));
    QProcess sim;
    sim.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList simArgs{QStringLiteral("--ports-file"), portsFile, QStringLiteral("--log"),
                        QStringLiteral("--receiver"), QStringLiteral("21"), QStringLiteral("--baud-pace"),
                        QStringLiteral("--delay"), QStringLiteral("2")};
    if (wholeReplies)
        simArgs << QStringLiteral("--chunk") << QStringLiteral("14");
    sim.start(QStringLiteral(DORVIK_SIM), simArgs);
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(portsFile) || QFile(portsFile).size() == 0) {
        waitMs(20);
        if (wait.elapsed() > 5000) {
            std::printf("simulator did not start\n");
            return;
        }
    }
    QFile pf(portsFile);
    pf.open(QIODevice::ReadOnly);
    const QString port = QString::fromLocal8Bit(pf.readAll()).trimmed();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DORVIK_SERIAL_PORTS"), port);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(QStringLiteral(DORVIK_PROGRAM), {baudArg});

    // Count answered requests at the working speed, after a 2 s settling time.
    const QString speedField = QString::number(baud).rightJustified(6, QLatin1Char(' '));
    const QRegularExpression answered(QStringLiteral("^\\s*([0-9.]+) port1 %1 <- ").arg(speedField));
    QByteArray pending;
    double firstAt = -1, windowStart = -1;
    int inWindow = 0;
    QElapsedTimer total;
    total.start();
    ProcStat atStart, atEnd;
    while (total.elapsed() < (seconds + 15) * 1000) {
        sim.waitForReadyRead(50);
        pending += sim.readAllStandardError();
        int nl;
        bool done = false;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromLatin1(pending.left(nl));
            pending.remove(0, nl + 1);
            const auto m = answered.match(line);
            if (!m.hasMatch())
                continue;
            const double t = m.captured(1).toDouble();
            if (firstAt < 0)
                firstAt = t;
            if (windowStart < 0 && t >= firstAt + 2) {
                windowStart = t;
                atStart = readProc(program.processId());
            }
            if (windowStart >= 0) {
                if (t >= windowStart + seconds) {
                    done = true;
                    break;
                }
                ++inWindow;
            }
        }
        if (done)
            break;
    }
    atEnd = readProc(program.processId());
    program.terminate();
    program.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished(5000);

    const double rate = double(inWindow) / seconds;
    const double limit = 1.0 / dutyExchangeSeconds(baud, 2.0);
    const double cpu = (atEnd.cpuSeconds - atStart.cpuSeconds) / seconds * 100.0;
    std::printf("%7d bit/s, %s: %7.1f exchanges/s, wire limit %7.1f/s, ratio %.2f; CPU %.1f %% of a core; "
                "peak RSS %.1f MB\n",
                baud, wholeReplies ? "whole replies " : "byte by byte  ", rate, limit, rate / limit, cpu,
                atEnd.peakRssKb / 1024.0);
    std::fflush(stdout);
}

AlarmSound* silentAlarm(QObject* parent)
{
    struct Silent : AlarmSound {
        using AlarmSound::AlarmSound;
        void start() override {}
        void stop() override {}
        bool playing() const override { return false; }
    };
    return new Silent(parent);
}

// Starts the simulator as its own process, a paced receiver; returns its port, empty on failure.
QString startSimulator(QProcess& sim, const QString& portsFile)
{
    sim.start(QStringLiteral(DORVIK_SIM), {QStringLiteral("--ports-file"), portsFile, QStringLiteral("--receiver"),
                                           QStringLiteral("21"), QStringLiteral("--baud-pace"),
                                           QStringLiteral("--delay"), QStringLiteral("2")});
    QElapsedTimer wait;
    wait.start();
    while (QFileInfo(portsFile).size() == 0) {
        if (wait.elapsed() > 5000)
            return {};
        waitMs(20);
    }
    QFile pf(portsFile);
    pf.open(QIODevice::ReadOnly);
    return QString::fromLocal8Bit(pf.readAll()).trimmed();
}

// Polling at 115200 bit/s with the program in this process (the simulator in its own), first
// with the trend window closed, then open on its longest span holding ten minutes of polls.
// Returns the rate with the window closed (exchanges a second), 0 when nothing ran.
double trendCost(int seconds)
{
    QTemporaryDir dir;
    QProcess sim;
    const QString port = startSimulator(sim, dir.filePath(QStringLiteral("ports")));
    if (port.isEmpty()) {
        std::printf("trend: simulator did not start\n");
        return 0;
    }
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("DORVIK_SERIAL_PORTS", port.toLocal8Bit());
    setAlarmSoundFactory(&silentAlarm);
    CreateForms();
    fmMain->arguments = {QStringLiteral("-BAUD115200")};
    fmMain->show();
    QElapsedTimer t;
    t.start();
    while (!(fmMain->connection->FlagReply() && DispObmen->VidObmen() == permanent && !fmMain->connection->link->switching()) &&
           t.elapsed() < 15000)
        waitMs(20);
    waitMs(2000);

    int replies = 0;
    QObject::connect(fmMain->connection->link, &DetectorLink::replyAccepted, [&] { ++replies; });
    const double limit = 1.0 / dutyExchangeSeconds(115200, 2.0);
    double closedRate = 0;
    for (bool open : {false, true}) {
        if (open) {
            // Ten minutes of polls at the rate just measured, squeezed into the record's past.
            SessionSample s = *fmMain->record->last();
            const int polls = int(closedRate * 600);
            const std::uint32_t now = fmMain->record->elapsedMs();
            for (int i = 0; i < polls; ++i) {
                s.ms = std::uint32_t(std::int64_t(now) * i / polls);
                s.field = TValPole(20 + (i * 7919) % 90);
                fmMain->record->add(s);
            }
            fmMain->bbTrendClick();
            fmMain->fmTrend->setSpan(600);
            waitMs(1000);
        }
        replies = 0;
        const ProcStat before = readProc(QCoreApplication::applicationPid());
        waitMs(seconds * 1000);
        const ProcStat after = readProc(QCoreApplication::applicationPid());
        const double rate = double(replies) / seconds;
        if (!open)
            closedRate = rate;
        std::printf("115200 bit/s, trend %s: %7.1f exchanges/s, ratio %.2f; program CPU %.1f %% of a core\n",
                    open ? "open (10 min span, full)" : "closed                  ", rate, rate / limit,
                    (after.cpuSeconds - before.cpuSeconds) / seconds * 100.0);
        std::fflush(stdout);
    }
    fmMain->close();
    DestroyForms();
    QDir::setCurrent(oldCwd);
    sim.terminate();
    sim.waitForFinished(5000);
    return closedRate;
}

// Polling at 115200 bit/s with the program in this process, the site journal off and then on
// (a session's summary written twice a second, on the journal's thread); and what one write
// costs that thread.
void journalCost(int seconds)
{
    QTemporaryDir dir;
    QProcess sim;
    const QString port = startSimulator(sim, dir.filePath(QStringLiteral("ports")));
    if (port.isEmpty()) {
        std::printf("journal: simulator did not start\n");
        return;
    }
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("DORVIK_SERIAL_PORTS", port.toLocal8Bit());
    qputenv("DORVIK_SETTINGS_DIR", dir.path().toLocal8Bit());
    setAlarmSoundFactory(&silentAlarm);
    CreateForms();
    fmMain->journal->setEnabled(false);
    fmMain->arguments = {QStringLiteral("-BAUD115200")};
    fmMain->show();
    QElapsedTimer t;
    t.start();
    while (!(fmMain->connection->FlagReply() && DispObmen->VidObmen() == permanent && !fmMain->connection->link->switching()) &&
           t.elapsed() < 15000)
        waitMs(20);
    waitMs(2000);

    int replies = 0, writes = 0;
    QObject::connect(fmMain->connection->link, &DetectorLink::replyAccepted, [&] { ++replies; });
    QObject::connect(fmMain->journal->writer(), &JournalWriter::written, [&] { ++writes; });
    const double limit = 1.0 / dutyExchangeSeconds(115200, 2.0);
    for (bool on : {false, true}) {
        if (on) {
            fmMain->journal->setEnabled(true);
            fmMain->journal->follow();
        }
        // A unit whose summary changes all the time: a new section every 500 ms is a write
        // each time, six times what the journal's own timer could ask for.
        QTimer churn;
        int round = 0;
        QObject::connect(&churn, &QTimer::timeout, [&] {
            fmMain->journal->setSection(QStringLiteral("Участок %1").arg(++round));
        });
        if (on)
            churn.start(500);
        replies = 0;
        writes = 0;
        const ProcStat before = readProc(QCoreApplication::applicationPid());
        waitMs(seconds * 1000);
        const ProcStat after = readProc(QCoreApplication::applicationPid());
        const double rate = double(replies) / seconds;
        std::printf("115200 bit/s, journal %s: %7.1f exchanges/s, ratio %.2f; program CPU %.1f %% of a core; "
                    "%d journal writes\n",
                    on ? "on " : "off", rate, rate / limit, (after.cpuSeconds - before.cpuSeconds) / seconds * 100.0,
                    writes);
        std::fflush(stdout);
    }
    fmMain->close();
    DestroyForms();
    QDir::setCurrent(oldCwd);
    qunsetenv("DORVIK_SETTINGS_DIR");
    sim.terminate();
    sim.waitForFinished(5000);

    // One write as the journal's thread makes it: a session with a walk test of 20 crossings.
    SiteJournal journal;
    QString error;
    if (!journal.open(dir.filePath(QStringLiteral("alone.journal")), &error)) {
        std::printf("journal: %s\n", qPrintable(error));
        return;
    }
    JournalSession s;
    s.ident = 22;
    s.firmware = QStringLiteral("2.18");
    s.startedMs = QDateTime::currentMSecsSinceEpoch();
    s.section = QStringLiteral("Участок 1");
    for (int i = 0; i < 20; ++i)
        s.walk << JournalWalkRow{s.startedMs + i * 1000, QStringLiteral("Середина участка"), 100, 5, 0.3, true, 300};
    QList<double> ms;
    for (int i = 0; i < 100; ++i) {
        s.startedMs += i % 10 == 0 ? 1 : 0;  // a new session now and then, else an update
        QElapsedTimer w;
        w.start();
        journal.write(s, &error);
        ms << w.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("one journal write (a commit, synchronous=FULL, WAL): median %.2f ms, 95th percentile %.2f ms, "
                "on the journal's thread\n",
                ms[ms.size() / 2], ms[ms.size() * 95 / 100]);
}

// What the session record holds after a whole shift of polling at a given rate.
void recordMemory(double rate, double hours)
{
    SessionRecord record;
    SessionSample s;
    s.flags = SessionSample::FieldKnown | SessionSample::SignalKnown;
    const std::uint64_t polls = std::uint64_t(rate * hours * 3600);
    QElapsedTimer clock;
    clock.start();
    for (std::uint64_t i = 0; i < polls; ++i) {
        s.ms = std::uint32_t(i * 1000 / rate);
        s.field = TValPole(20 + i % 7);
        record.add(s);
    }
    std::printf("session record: %.0f h at %.0f polls/s = %llu polls kept as %zu samples, %.1f MB "
                "(%.0f ns a poll)\n",
                hours, rate, static_cast<unsigned long long>(polls), record.size(), record.bytesHeld() / 1e6,
                clock.nsecsElapsed() / double(polls));
}

// Time from the unit raising its alarm flag to the state panel reading "ТРЕВОГА".
void alarmLatency(int rounds)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SimConfig config;
    config.paceAtLineRate = true;
    config.processingDelayMs = 2;
    SimulatedDetector sim(config);
    sim.open();
    qputenv("DORVIK_SERIAL_PORTS", sim.slavePath().toLocal8Bit());
    setAlarmSoundFactory(&silentAlarm);
    CreateForms();
    fmMain->show();
    QElapsedTimer t;
    t.start();
    while (!fmMain->connection->FlagReply() && t.elapsed() < 10000)
        waitMs(20);
    waitMs(1000);

    QList<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        bool seen = false;
        auto original = fmMain->connection->COMP->OnReceiveData;
        fmMain->connection->COMP->OnReceiveData = [&](TSerialPortDriver* s, const std::uint8_t* d, int n) {
            original(s, d, n);
            if (!seen && fmMain->paSost->text() == QStringLiteral("ТРЕВОГА")) {
                seen = true;
                samples << clock.nsecsElapsed() / 1e6;
            }
        };
        sim.state().alarm = true;
        clock.start();
        while (!seen && clock.elapsed() < 2000)
            waitMs(1);
        fmMain->connection->COMP->OnReceiveData = original;
        sim.state().alarm = false;
        waitMs(3500);  // the hold timer lets the indication go
    }
    DestroyForms();
    std::sort(samples.begin(), samples.end());
    if (samples.isEmpty()) {
        std::printf("alarm latency: no sample\n");
        return;
    }
    const double median = samples[samples.size() / 2];
    const double p95 = samples[std::min<int>(samples.size() - 1, int(samples.size() * 0.95))];
    const double exchangeMs = dutyExchangeSeconds(57600, 2.0) * 1000.0;
    std::printf("alarm to screen at 57600 bit/s: median %.1f ms, 95th percentile %.1f ms over %d alarms "
                "(target: two exchanges + one frame = %.1f ms)\n",
                median, p95, int(samples.size()), 2 * exchangeMs + 16.0);
}

// From a decoded reply with a new alignment signal to the aiming tone's generator producing
// the new pitch. The generator is pulled every 10 ms, as an audio output pulls it (none is
// opened here); what the output has queued, AimingTone::BUFFER_MS at most, plays before it.
void aimingLatency(int rounds)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SimConfig config;
    config.paceAtLineRate = true;
    config.processingDelayMs = 2;
    config.mode = 1;
    // The top of the scale first: no later value is a new maximum, so no chirp rides on a change.
    config.signal = UST_MAX;
    SimulatedDetector sim(config);
    sim.open();
    qputenv("DORVIK_SERIAL_PORTS", sim.slavePath().toLocal8Bit());
    setAlarmSoundFactory(&silentAlarm);
    AimingTone::setAudioOutputAllowed(false);
    CreateForms();
    fmMain->show();
    QElapsedTimer t;
    t.start();
    while (!(fmMain->connection->FlagReply() && fmMain->sbUst->Down() && !fmMain->connection->link->switching())
           && t.elapsed() < 15000)
        waitMs(20);
    fmMain->sbAim->setChecked(true);
    waitMs(1000);

    ToneSynth& synth = fmMain->aimingTone->synth();
    std::vector<float> block(std::size_t(synth.sampleRate() / 100));
    double target = 0;
    QElapsedTimer decoded;
    QList<double> samples;
    QTimer pull;
    pull.setTimerType(Qt::PreciseTimer);
    pull.setInterval(10);
    QObject::connect(&pull, &QTimer::timeout, [&] {
        synth.render(block.data(), int(block.size()));
        if (decoded.isValid() && std::abs(synth.soundingFrequency() - target) < 0.01) {
            samples << decoded.nsecsElapsed() / 1e6;
            decoded.invalidate();
        }
    });
    pull.start();
    TPosUstMarker wanted = 0;
    QObject::connect(fmMain->connection->link, &DetectorLink::replyAccepted, [&] {
        if (wanted && !decoded.isValid() && fmMain->UstMarkerPos() == wanted) {
            decoded.start();
            wanted = 0;
        }
    });
    for (int i = 0; i < rounds; ++i) {
        const auto signal = TPosUstMarker(i % 2 ? 60 + i : 120 - i);
        target = aimingFrequency(signal);
        wanted = signal;
        sim.state().signal = signal;
        QElapsedTimer round;
        round.start();
        const int before = samples.size();
        while (samples.size() == before && round.elapsed() < 2000)
            waitMs(1);
        waitMs(100);
    }
    pull.stop();
    DestroyForms();
    AimingTone::setAudioOutputAllowed(true);
    std::sort(samples.begin(), samples.end());
    if (samples.isEmpty()) {
        std::printf("aiming tone: no sample\n");
        return;
    }
    const double median = samples[samples.size() / 2];
    const double p95 = samples[std::min<int>(samples.size() - 1, int(samples.size() * 0.95))];
    std::printf("aiming tone: reply → pitch change %.1f ms median, %.1f ms 95th percentile over %d changes "
                "at 57600 bit/s (to the generator's samples; an output's buffer adds up to %d ms; aim: "
                "under 100 ms)\n",
                median, p95, int(samples.size()), AimingTone::BUFFER_MS);
}

// From starting the program to its first request on the line.
void startup(int rounds)
{
    QList<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QTemporaryDir dir;
        SimConfig config;
        config.kind = SimConfig::Empty;
        SimulatedDetector sim(config);
        sim.open();
        QElapsedTimer clock;
        double first = -1;
        QObject::connect(&sim, &SimulatedDetector::requestReceived, [&](const SimRequest&) {
            if (first < 0)
                first = clock.nsecsElapsed() / 1e6;
        });
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DORVIK_SERIAL_PORTS"), sim.slavePath());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        clock.start();
        program.start(QStringLiteral(DORVIK_PROGRAM), QStringList());
        while (first < 0 && clock.elapsed() < 5000)
            waitMs(1);
        program.terminate();
        program.waitForFinished(5000);
        if (first >= 0)
            samples << first;
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.isEmpty())
        std::printf("start-up to first request: median %.0f ms, worst %.0f ms over %d starts (of which 500 ms "
                    "is the search's own pause)\n",
                    samples[samples.size() / 2], samples.last(), int(samples.size()));
}

// The program in this process against simulated units on the given ports; returns when done()
// holds or after limitMs, with the milliseconds it took (-1 on the limit).
double timeUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return -1;
        waitMs(5);
    }
    return clock.nsecsElapsed() / 1e6;
}

// What the search's short wait at the faster speeds must cover: from the moment the program's
// request has left (its time on the wire counted from the write, as the program counts it) to
// the first and the last byte of the unit's reply, through a pseudo-terminal, with the unit
// thinking 2 ms and pacing its reply at the line rate. The unit runs on this event loop.
void replyTimes(int rounds)
{
    QList<double> worst;
    QStringList lines;
    for (qint32 baud : {9600, 19200, 38400, 57600, 115200}) {
        SimConfig config;
        config.paceAtLineRate = true;
        config.processingDelayMs = 2;
        config.baud = baud;
        SimulatedDetector sim(config);
        sim.open();
        TSerialPortDriver port;
        port.SetComPortName(sim.slavePath());
        const auto rate = TComPortBaudRate(std::find(std::begin(Win32BaudRates), std::end(Win32BaudRates),
                                                     std::uint32_t(baud)) - std::begin(Win32BaudRates));
        port.SetComPortBaudRate(rate);
        port.Connect();
        QElapsedTimer clock;
        clock.start();
        qint64 firstNs = -1, lastNs = -1;
        int got = 0;
        port.OnReceiveData = [&](TSerialPortDriver*, const std::uint8_t*, int n) {
            if (got == 0)
                firstNs = clock.nsecsElapsed();
            got += n;
            lastNs = clock.nsecsElapsed();
        };
        const std::vector<Byte> request = frame::encode(frame::kRequestStart, {0, COM_CF_REQID.CodCom});
        QList<double> first, last;
        for (int i = 0; i < rounds; ++i) {
            waitMs(5);
            got = 0;
            const qint64 sentNs =
                clock.nsecsElapsed() + qint64(request.size()) * 10 * 1000000000LL / baud;
            port.SendData(request.data(), std::uint32_t(request.size()));
            QElapsedTimer limit;
            limit.start();
            while (got < COM_CF_REQID.RecPackSize && limit.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (got < COM_CF_REQID.RecPackSize)
                continue;
            first << (firstNs - sentNs) / 1e6;
            last << (lastNs - sentNs) / 1e6;
        }
        port.Disconnect();
        std::sort(first.begin(), first.end());
        std::sort(last.begin(), last.end());
        if (last.isEmpty()) {
            lines << QStringLiteral("%1 no reply").arg(baud);
            continue;
        }
        worst << last.last();
        lines << QStringLiteral("%1: first byte %2 ms, whole reply median %3 ms, worst %4 ms")
                     .arg(baud)
                     .arg(first[first.size() / 2], 0, 'f', 1)
                     .arg(last[last.size() / 2], 0, 'f', 1)
                     .arg(last.last(), 0, 'f', 1);
    }
    std::printf("reply after the request has left, through a pseudo-terminal, %d requests a speed:\n  %s\n", rounds,
                qPrintable(lines.join(QStringLiteral("\n  "))));
    if (!worst.isEmpty()) {
        const double w = *std::max_element(worst.begin(), worst.end());
        std::printf("  worst %.1f ms; with a USB adapter's 16 ms each way %.1f ms\n", w, w + 32.0);
    }
    std::fflush(stdout);
}

// How long the search takes to bring up the panel, with the unit where a restart or a lost
// link leaves it; what a port with nothing on it costs; how long a 13-second pause costs.
void search()
{
    setAlarmSoundFactory(&silentAlarm);
    replyTimes(30);
    // before: nothing, a port where nothing answers, or a listed port that is gone.
    enum Before { Nothing, EmptyPort, MissingPort };
    auto toPanel = [](qint32 unitBaud, Before before) {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        SimConfig config;
        config.paceAtLineRate = true;
        config.baud = unitBaud;
        SimulatedDetector sim(config);
        sim.open();
        SimConfig nothing;
        nothing.kind = SimConfig::Empty;
        SimulatedDetector empty(nothing);
        empty.open();
        const QString first = before == EmptyPort     ? empty.slavePath()
                              : before == MissingPort ? QStringLiteral("/dev/dorvik-bench-missing")
                                                      : QString();
        const QString ports = first.isEmpty() ? sim.slavePath() : first + QLatin1Char(':') + sim.slavePath();
        qputenv("DORVIK_SERIAL_PORTS", ports.toLocal8Bit());
        CreateForms();
        fmMain->show();
        const double ms = timeUntil([] { return fmMain->connection->FlagReply(); }, 30000);
        DestroyForms();
        return ms;
    };
    const double at4800 = toPanel(4800, Nothing);
    const double at57600 = toPanel(57600, Nothing);
    const double behindEmpty = toPanel(4800, EmptyPort);
    const double behindMissing = toPanel(4800, MissingPort);
    std::printf("search to the panel, port 1 of 1: unit at 4800 %.0f ms, unit at 57600 %.0f ms; "
                "an empty port before it costs %.0f ms, a port that is gone %.0f ms\n",
                at4800, at57600, behindEmpty - at4800, behindMissing - at4800);

    // Plugged in while the start page shows (nothing listed before): to the panel polling.
    auto plugged = [](SimConfig::Kind kind) {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        qputenv("DORVIK_SERIAL_PORTS", QByteArray());
        CreateForms();
        fmMain->show();
        timeUntil([] { return fmMain->stMessage->text() == QString::fromUtf8(MSG_NO_PORTS); }, 30000);
        waitMs(700);
        SimConfig config;
        config.kind = kind;
        config.paceAtLineRate = true;
        SimulatedDetector sim(config);
        sim.open();
        qputenv("DORVIK_SERIAL_PORTS", sim.slavePath().toLocal8Bit());
        const double ms = timeUntil([] {
            return fmMain->connection->FlagReply() && fmMain->connection->link->dispatcher.VidObmen() == permanent;
        }, 30000);
        DestroyForms();
        return ms;
    };
    std::printf("plugged in while the start page shows, to the panel polling: receiver at 4800 %.0f ms, "
                "transmitter %.0f ms\n",
                plugged(SimConfig::Receiver), plugged(SimConfig::Transmitter));

    // A pause of 13 s while polling: silent, then back at the speed it had.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SimConfig config;
    config.paceAtLineRate = true;
    SimulatedDetector sim(config);
    sim.open();
    qputenv("DORVIK_SERIAL_PORTS", sim.slavePath().toLocal8Bit());
    CreateForms();
    fmMain->show();
    timeUntil([] { return fmMain->connection->FlagReply(); }, 30000);
    waitMs(2000);
    QElapsedTimer pause;
    pause.start();
    sim.setSilent(true);
    timeUntil([] { return !fmMain->connection->FlagReply(); }, 10000);
    waitMs(int(qMax<qint64>(0, 13000 - pause.elapsed())));
    sim.setSilent(false);
    const double back = timeUntil([] { return fmMain->connection->FlagReply(); }, 60000);
    std::printf("a 13 s pause while polling: the panel is back %.1f s after the pause began, %.1f s after it "
                "ended\n",
                pause.elapsed() / 1000.0, back / 1000.0);
    DestroyForms();
}

// The capture's growth while polling, in bytes a second at each usual speed, the program in this
// process against a simulated unit that paces its replies at the line rate. The live part of the
// last capture is left in *live, for the reading figures.
void captureGrowth(int seconds, QByteArray* live, QByteArray* search = nullptr)
{
    std::printf("Exchange capture while polling (%d s a speed):\n", seconds);
    for (int baud : {4800, 57600, 115200}) {
        QTemporaryDir dir;
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SimConfig config;
        config.paceAtLineRate = true;
        config.processingDelayMs = 2;
        SimulatedDetector sim(config);
        sim.open();
        qputenv("DORVIK_SERIAL_PORTS", sim.slavePath().toLocal8Bit());
        setAlarmSoundFactory(&silentAlarm);
        CreateForms();
        fmMain->arguments = {QStringLiteral("-BAUD%1").arg(baud)};
        fmMain->show();
        timeUntil([] { return fmMain->connection->FlagReply() && DispObmen->VidObmen() == permanent
                              && !fmMain->connection->link->switching(); }, 15000);
        waitMs(1000);
        const QString path = dir.filePath(QStringLiteral("growth.dcap"));
        QString error;
        fmMain->connection->link->startCapture(path, &error);
        const qint64 start = QFileInfo(path).size();
        waitMs(seconds * 1000);
        fmMain->connection->link->stopCapture();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        const double perSecond = double(all.size() - start) / seconds;
        const QByteArray packed = qCompress(all, 6);
        std::printf("  %6d bit/s: %6.1f KB/s, %5.0f MB an hour; the 1 GiB limit after %.1f h; "
                    "zlib level 6 packs it %.0f to 1\n",
                    baud, perSecond / 1000, perSecond * 3600 / 1e6, double(CAPTURE_MAX_BYTES) / perSecond / 3600,
                    double(all.size()) / qMax<qsizetype>(1, packed.size()));
        std::fflush(stdout);
        *live = all.mid(all.indexOf("# gap"));
        live->remove(0, live->indexOf('\n') + 1);
        if (search)
            *search = all.left(all.size() - live->size());
        DestroyForms();
        QDir::setCurrent(oldCwd);
    }
}

// A capture of the given size made of the live stretch repeated, its times running on.
QString writeLongCapture(const QString& path, const QByteArray& live, qint64 bytes, const QByteArray& search = {})
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    // The search that found the unit (header, kept records and the gap line), when given.
    file.write(search.isEmpty() ? captureHeader(QDateTime::currentDateTime()) : search);
    QList<CaptureRecord> records;
    for (const QByteArray& line : live.split('\n')) {
        CaptureRecord r;
        QString why;
        if (parseCaptureLine(line, &r, &why) == CaptureLine::Record)
            records << r;
    }
    // The capture stopped with a request on its way: repeated, that request would go unanswered
    // at every round and cost the link each time.
    while (!records.isEmpty() && records.last().request)
        records.removeLast();
    if (records.size() < 2)
        return QString();
    const qint64 span = records.last().ms - records.first().ms + 1;
    QByteArray block;
    for (qint64 round = 0; file.size() + block.size() < bytes; ++round) {
        for (CaptureRecord r : records) {
            r.ms += round * span;
            const QByteArray line = formatCaptureRecord(r);
            if (file.size() + block.size() + line.size() > bytes)
                break;
            block += line;
        }
        if (block.size() > (1 << 20) || file.size() + block.size() + 64 > bytes) {
            file.write(block);
            block.clear();
        }
        if (file.size() + 64 > bytes)
            break;
    }
    file.write(block);
    return path;
}

// The peak resident memory from here on, in KB: the kernel's mark is set back to the present.
long resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    return readProc(QCoreApplication::applicationPid()).peakRssKb;
}

// Peak resident memory and time while the capture is read: the replay's loading (a pass that
// checks every line, before the port appears), a pass of the streaming reader, and, for
// comparison, readCapture holding every record.
void captureReading(const QString& what, const QString& path, bool wholeToo)
{
    std::printf("  %s, %.0f MB:\n", qPrintable(what), QFileInfo(path).size() / 1e6);
    const auto measure = [](const char* how, const std::function<QString()>& read) {
        const long base = resetPeak();
        QElapsedTimer t;
        t.start();
        const QString result = read();
        std::printf("    %-38s %6.1f s, peak RSS %5ld MB (%ld MB before) %s\n", how, t.elapsed() / 1000.0,
                    readProc(QCoreApplication::applicationPid()).peakRssKb / 1024, base / 1024, qPrintable(result));
        std::fflush(stdout);
    };
    measure("the replay ready (dorvik_sim --replay):", [&] {
        CaptureReplay* loaded = nullptr;
        QString error;
        const bool ok = CaptureReplay::load(path, &loaded, &error);
        const QString result = ok ? QStringLiteral("%1 exchanges").arg(loaded->size()) : error;
        delete loaded;
        return result;
    });
    measure("CaptureReader, every record:", [&] {
        CaptureReader reader;
        qint64 records = 0;
        if (!reader.open(path))
            return reader.errorString();
        CaptureReader::Item item;
        while ((item = reader.next()) == CaptureReader::Record || item == CaptureReader::Gap)
            records += item == CaptureReader::Record;
        return item == CaptureReader::Error ? reader.errorString() : QStringLiteral("%1 records").arg(records);
    });
    if (wholeToo)
        measure("readCapture, all records in a list:", [&] {
            QList<CaptureRecord> records;
            QString error;
            return readCapture(path, &records, &error) ? QStringLiteral("%1 records").arg(records.size()) : error;
        });
}

void capture(qint64 limitMb)
{
    QByteArray live;
    captureGrowth(10, &live);
    QTemporaryDir dir;
    // An hour of polling at the fastest speed, at the growth just measured.
    const QString hour = writeLongCapture(dir.filePath(QStringLiteral("hour.dcap")), live,
                                          qint64(live.size()) * 3600 / 10);
    if (hour.isEmpty()) {
        std::printf("capture: nothing was recorded\n");
        return;
    }
    std::printf("Reading a capture:\n");
    captureReading(QStringLiteral("an hour of polling at 115200 bit/s"), hour, true);
    QFile::remove(hour);
    if (limitMb > 0) {
        const QString big = writeLongCapture(dir.filePath(QStringLiteral("limit.dcap")), live,
                                             qMin(limitMb * 1024 * 1024, CAPTURE_MAX_BYTES));
        captureReading(QStringLiteral("%1 MB of polling").arg(limitMb), big, false);
    }
}

// Playing a capture into the program at the fastest pace: from the window's first showing
// (the file read through once, then played) to "Запись закончилась", and the peak memory.
void playOne(const QString& what, const QString& path)
{
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("DORVIK_SERIAL_PORTS", QByteArray());
    setAlarmSoundFactory(&silentAlarm);
    const long base = resetPeak();
    CreateForms();
    fmMain->arguments = {QStringLiteral("--play"), path, QStringLiteral("--pace"), QStringLiteral("max")};
    QElapsedTimer t;
    t.start();
    fmMain->show();
    const qint64 shown = t.elapsed();
    timeUntil([] { return fmMain->connection->playbackEnded(); }, 3600 * 1000);
    const qint64 played = t.elapsed();
    std::printf("  %s, %.0f MB: read through %.1f s, played %.1f s, %zu polls recorded "
                "(%.1f MB), peak RSS %ld MB (%ld MB before)%s\n",
                qPrintable(what), QFileInfo(path).size() / 1e6, shown / 1000.0, (played - shown) / 1000.0,
                fmMain->record->size(), fmMain->record->bytesHeld() / 1e6,
                readProc(QCoreApplication::applicationPid()).peakRssKb / 1024, base / 1024,
                fmMain->connection->playbackEnded() ? "" : " (NOT ENDED)");
    std::fflush(stdout);
    DestroyForms();
    QDir::setCurrent(oldCwd);
}

void play(qint64 limitMb)
{
    QByteArray live, search;
    captureGrowth(10, &live, &search);
    QTemporaryDir dir;
    std::printf("Playing a capture with --play --pace max:\n");
    const QString hour = writeLongCapture(dir.filePath(QStringLiteral("hour.dcap")), live,
                                          qint64(live.size()) * 3600 / 10, search);
    playOne(QStringLiteral("an hour of polling at 115200 bit/s"), hour);
    QFile::remove(hour);
    if (limitMb > 0) {
        const QString big = writeLongCapture(dir.filePath(QStringLiteral("limit.dcap")), live,
                                             qMin(limitMb * 1024 * 1024, CAPTURE_MAX_BYTES), search);
        playOne(QStringLiteral("%1 MB of polling").arg(limitMb), big);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "search" measures the search and recovery only, "trend" the trend window and the record,
    // "tone" the aiming tone's latency.
    if (argc > 1 && QByteArray(argv[1]) == "search") {
        search();
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "tone") {
        aimingLatency(20);
        return 0;
    }
    // "capture [MB]": the capture's growth and reading; with MB, also a capture of that size
    // (1024: the largest there is, a few minutes to write and read).
    // "play [MB]": an hour's capture played with --play at the fastest pace; with MB, also one
    // of that size.
    if (argc > 1 && QByteArray(argv[1]) == "play") {
        play(argc > 2 ? QString::fromLatin1(argv[2]).toLongLong() : 0);
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "capture") {
        capture(argc > 2 ? QString::fromLatin1(argv[2]).toLongLong() : 0);
        return 0;
    }
    // "journal [seconds]": polling with the site journal off and on.
    if (argc > 1 && QByteArray(argv[1]) == "journal") {
        journalCost(argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 20);
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "trend") {
        const double rate = trendCost(argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 20);
        recordMemory(rate > 0 ? rate : 265, 8);
        return 0;
    }
    const int seconds = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 20;
    std::printf("Polling the simulated receiver (replies paced at the line rate, 2 ms processing), "
                "%d s per speed:\n", seconds);
    std::fflush(stdout);
    for (bool whole : {false, true}) {
        polling(4800, QStringLiteral("-BAUD4800"), seconds, whole);
        polling(57600, QStringLiteral("-BAUD57600"), seconds, whole);
        polling(115200, QStringLiteral("-BAUD115200"), seconds, whole);
    }
    alarmLatency(20);
    aimingLatency(20);
    startup(10);
    search();
    const double rate = trendCost(seconds);
    recordMemory(rate > 0 ? rate : 265, 8);
    return 0;
}
