// dorvik_sim: detectors on pseudo-terminals, for demonstrations and tests without hardware.
#include "CaptureReplay.h"
#include "SimScenario.h"
#include "SimulatedDetector.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <memory>
#include <cstdio>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] = R"(Usage: dorvik_sim [OPTION]... [UNIT [SCENARIO]...]...

Simulates detectors on pseudo-terminals. Each unit gets its own port; the slave paths are
printed one per line, in the order the units are given. Runs until SIGINT or SIGTERM;
SIGUSR1 cycles the power of every unit (back at 4800 bit/s, settings kept).
With no unit, one receiver of model 21 in duty mode is simulated.

Units:
  --receiver MODEL     a receiver with identifier MODEL (21, 22, 23 or 31; any 0..255 is taken)
  --transmitter        a transmitter (identifier 0x20)
  --empty              a port where nothing answers
  --replay FILE        a unit that plays back an exchange capture the program recorded: each
                       request gets the reply recorded for it (same bytes, same line speed), in
                       the recorded order and at the recorded pace (a gap in the recording is
                       not waited through); unanswered when the rest of the capture has no such
                       request; at its end "recording ended" on stderr, and the port is closed

Scenario options apply to the unit given just before them; given before any unit, they are
the defaults of every unit that follows.
  --mode N             work mode: 0 duty, 1 alignment, 2 power-on (default 0)
  --address N          the unit's address 0..255 (default 0)
  --letter N           frequency letter 1..8 (default 1)
  --threshold N        threshold position 0..15 (default 15)
  --baud-pace          send replies at the pace of the line speed (10 bits per byte)
  --delay MS           wait MS milliseconds before each reply
  --silent-after N     stop answering after N replies ...
  --back-after S       ... and answer again S seconds later, at 4800 bit/s, as after a power cycle
  --corrupt-every N    spoil every Nth reply ...
  --corrupt-kind K     ... with fault K: 1 bad status byte, 2 wrong terminator, 3 '?' refusal,
                       4 bad checksum (default), 5 lower-case digit, 6 truncated
  --chunk N            send replies in pieces of N bytes ...
  --chunk-gap MS       ... MS milliseconds apart
  --noise-every MS     put a few stray bytes on the line every MS milliseconds
  --alarm-every S      raise the alarm (and open the relay) for about 2 s every S seconds
  --field-walk         field value and alignment signal drift: people walking through the zone,
                       an installer turning a unit; a receiver on duty raises its alarm while
                       the field is over its threshold, and holds it 2 s after
  --crossings LIST     the walkers of --field-walk, in turn: PEAK:MS[:REST],... (the field's peak
                       0..154, the crossing's length, the quiet after it in ms; default: a demo
                       mix, some crossings under the default threshold)
  --ignore-setbr       acknowledge a change of line speed but keep the old speed
  --vanish-after S     unplug the unit after S seconds

Other options:
  --ports-file F       also write the slave paths to F, once every port is open; F is
                       removed on ending
  --while-pid PID      end when process PID has ended (a launcher's own process)
  --log                log every request and reply (time, speed, bytes) and every power
                       cycle to stderr
  --help               show this text
)";

struct UnitPlan {
    SimConfig config;
    ScenarioOptions scenario;
    int chunkSize = 0;
    int chunkGapMs = 0;
    QString replayFile;
};

int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = char(number);
    (void)!::write(signalPipe[1], &byte, 1);
}

QString hexAndText(const QByteArray& bytes)
{
    QString text;
    for (char c : bytes)
        text += (c >= 0x20 && c < 0x7F) ? QChar(c) : QChar('.');
    return QString::fromLatin1(bytes.toHex(' ').toUpper()) + QStringLiteral("  ") + text;
}

void logLine(SimulatedDetector* unit, int index, qint32 baud, const char* dir, const QString& what)
{
    std::fprintf(stderr, "%9.3f port%d %6d %s %s\n", double(unit->elapsedMs()) / 1000.0, index,
                 int(baud), dir, qPrintable(what));
}

class Arguments {
public:
    explicit Arguments(const QStringList& args) : FArgs(args) {}
    bool atEnd() const { return FPos >= FArgs.size(); }
    QString next() { return FArgs.at(FPos++); }
    // The number after an option, within [lo, hi]; sets the error text when it is not one.
    bool number(const QString& option, int lo, int hi, int& out)
    {
        bool ok = false;
        if (!atEnd())
            out = next().toInt(&ok);
        if (!ok || out < lo || out > hi) {
            FError = QStringLiteral("%1 needs a number from %2 to %3").arg(option).arg(lo).arg(hi);
            return false;
        }
        return true;
    }
    QString error() const { return FError; }
    void setError(const QString& e) { FError = e; }

private:
    QStringList FArgs;
    int FPos = 0;
    QString FError;
};

// Reads the command line into units and global options; false with a message on a mistake.
bool parse(Arguments& a, std::vector<UnitPlan>& units, QString& portsFile, int& whilePid, bool& log, bool& help)
{
    UnitPlan defaults;
    auto current = [&]() -> UnitPlan& { return units.empty() ? defaults : units.back(); };
    auto addUnit = [&](SimConfig::Kind kind) {
        units.push_back(defaults);
        units.back().config.kind = kind;
    };
    while (!a.atEnd()) {
        const QString opt = a.next();
        int v = 0;
        SimConfig& c = current().config;
        ScenarioOptions& s = current().scenario;
        if (opt == "--help" || opt == "-h") {
            help = true;
        } else if (opt == "--log") {
            log = true;
        } else if (opt == "--ports-file") {
            if (a.atEnd()) {
                a.setError(QStringLiteral("--ports-file needs a file name"));
                return false;
            }
            portsFile = a.next();
        } else if (opt == "--while-pid") {
            if (!a.number(opt, 1, 0x3fffffff, whilePid))
                return false;
        } else if (opt == "--receiver") {
            if (!a.number(opt, 0, 255, v))
                return false;
            addUnit(SimConfig::Receiver);
            units.back().config.model = quint8(v);
        } else if (opt == "--transmitter") {
            addUnit(SimConfig::Transmitter);
        } else if (opt == "--empty") {
            addUnit(SimConfig::Empty);
        } else if (opt == "--replay") {
            if (a.atEnd()) {
                a.setError(QStringLiteral("--replay needs a capture file"));
                return false;
            }
            addUnit(SimConfig::Receiver);
            units.back().replayFile = a.next();
        } else if (opt == "--mode") {
            if (!a.number(opt, 0, 2, v))
                return false;
            c.mode = quint8(v);
        } else if (opt == "--address") {
            if (!a.number(opt, 0, 255, v))
                return false;
            c.address = quint8(v);
        } else if (opt == "--letter") {
            if (!a.number(opt, 1, 8, v))
                return false;
            c.letterIndex = quint8(v - 1);
        } else if (opt == "--threshold") {
            if (!a.number(opt, 0, 15, v))
                return false;
            c.threshold = quint8(v);
        } else if (opt == "--baud-pace") {
            c.paceAtLineRate = true;
        } else if (opt == "--delay") {
            if (!a.number(opt, 0, 60000, c.processingDelayMs))
                return false;
        } else if (opt == "--ignore-setbr") {
            c.ignoreSetBr = true;
        } else if (opt == "--silent-after") {
            if (!a.number(opt, 1, 1000000, s.silentAfterReplies))
                return false;
        } else if (opt == "--back-after") {
            if (!a.number(opt, 1, 86400, s.backAfterS))
                return false;
        } else if (opt == "--corrupt-every") {
            if (!a.number(opt, 1, 1000000, s.corruptEvery))
                return false;
        } else if (opt == "--corrupt-kind") {
            if (!a.number(opt, 1, 6, s.corruptKind))
                return false;
        } else if (opt == "--chunk") {
            if (!a.number(opt, 1, 14, current().chunkSize))
                return false;
        } else if (opt == "--chunk-gap") {
            if (!a.number(opt, 0, 10000, current().chunkGapMs))
                return false;
        } else if (opt == "--noise-every") {
            if (!a.number(opt, 1, 3600000, s.noiseEveryMs))
                return false;
        } else if (opt == "--alarm-every") {
            if (!a.number(opt, 3, 86400, s.alarmEveryS))
                return false;
        } else if (opt == "--field-walk") {
            s.fieldWalk = true;
        } else if (opt == "--crossings") {
            s.crossings = a.atEnd() ? QList<Crossing>() : SimScenario::parseCrossings(a.next());
            if (s.crossings.isEmpty()) {
                a.setError(QStringLiteral("--crossings needs PEAK:MS[:REST],... (peak 0..154, 200..600000 ms)"));
                return false;
            }
        } else if (opt == "--vanish-after") {
            if (!a.number(opt, 1, 86400, s.vanishAfterS))
                return false;
        } else {
            a.setError(QStringLiteral("unknown option %1 (see --help)").arg(opt));
            return false;
        }
    }
    if (units.empty())
        addUnit(SimConfig::Receiver);
    return true;
}

// Ended, or ended and not yet reaped by its parent: a zombie answers kill() all the same.
bool processEnded(int pid)
{
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) S ...": the name may hold spaces and parentheses, the state follows the last ')'.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

bool writePortsFile(const QString& path, const QStringList& slaves)
{
    // Written in one go: a script waiting for the file must never see half a list.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write((slaves.join('\n') + '\n').toLocal8Bit());
    return f.commit();
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Arguments args(app.arguments().mid(1));
    std::vector<UnitPlan> plans;
    QString portsFile;
    bool log = false, help = false;
    int whilePid = 0;
    if (!parse(args, plans, portsFile, whilePid, log, help)) {
        std::fprintf(stderr, "dorvik_sim: %s\n", qPrintable(args.error()));
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("dorvik_sim: socketpair");
        return 1;
    }
    std::vector<SimulatedDetector*> units;
    QSocketNotifier fromSignals(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&fromSignals, &QSocketNotifier::activated, &app, [&] {
        char number = 0;
        if (::read(signalPipe[0], &number, 1) != 1)
            return;
        if (number != SIGUSR1) {
            QCoreApplication::quit();
            return;
        }
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i]->powerCycle();
            if (log)
                logLine(units[i], int(i) + 1, units[i]->state().baud, "**", QStringLiteral("power cycle"));
        }
    });
    QTimer watch;
    if (whilePid > 0) {
        QObject::connect(&watch, &QTimer::timeout, &app, [whilePid] {
            if (processEnded(whilePid))
                QCoreApplication::quit();
        });
        watch.start(100);
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGUSR1, onSignal);

    // Every capture is read before any port opens: a bad one stops the program at once.
    std::vector<std::shared_ptr<CaptureReplay>> replays(plans.size());
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (plans[i].replayFile.isEmpty())
            continue;
        CaptureReplay* replay = nullptr;
        QString error;
        if (!CaptureReplay::load(plans[i].replayFile, &replay, &error)) {
            std::fprintf(stderr, "dorvik_sim: %s\n", qPrintable(error));
            return 2;
        }
        replays[i].reset(replay);
    }

    QStringList slaves;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const UnitPlan& plan = plans[i];
        auto* unit = new SimulatedDetector(plan.config, &app);
        units.push_back(unit);
        if (!unit->open()) {
            std::perror("dorvik_sim: cannot open a pseudo-terminal");
            return 1;
        }
        unit->setChunking(plan.chunkSize, plan.chunkGapMs);
        if (replays[i]) {
            unit->setReplay(replays[i]);
            // The port goes with the recording: the program then says its port is gone, at
            // once, where a unit fallen silent would look like a fault of the unit on site.
            const int index = int(i) + 1;
            // The last reply is given a moment to be read and shown first.
            QObject::connect(unit, &SimulatedDetector::replayEnded, unit, [unit, index] {
                std::fprintf(stderr, "dorvik_sim: port%d: recording ended\n", index);
                QTimer::singleShot(1000, unit, [unit] { unit->vanish(); });
            });
        }
        // Nobody reads the history here, and a demonstration left running would pile it up.
        QObject::connect(unit, &SimulatedDetector::requestReceived, unit,
                         &SimulatedDetector::clearRequests);
        new SimScenario(unit, plan.scenario, unit);
        if (log) {
            const int index = int(i) + 1;
            QObject::connect(unit, &SimulatedDetector::requestReceived, unit,
                             [unit, index](const SimRequest& r) {
                                 logLine(unit, index, r.baud,
                                         r.answered ? "<-" : r.garbled ? "<~" : "<x",
                                         hexAndText(r.raw));
                             });
            QObject::connect(unit, &SimulatedDetector::replySent, unit,
                             [unit, index](const QByteArray& bytes) {
                                 logLine(unit, index, unit->state().baud, "->", hexAndText(bytes));
                             });
        }
        slaves << unit->slavePath();
        std::printf("%s\n", qPrintable(unit->slavePath()));
    }
    std::fflush(stdout);
    if (!portsFile.isEmpty() && !writePortsFile(portsFile, slaves)) {
        std::fprintf(stderr, "dorvik_sim: cannot write %s\n", qPrintable(portsFile));
        return 1;
    }
    // Whoever asked for the list may be gone without reading it (a launcher killed while
    // it waited): the list goes with the ports it names, unless someone replaced it since.
    struct stat written {};
    const QByteArray portsPath = QFile::encodeName(portsFile);
    const bool removeList = !portsFile.isEmpty() && ::stat(portsPath.constData(), &written) == 0;
    const auto removeWrittenList = [&] {
        struct stat now {};
        if (removeList && ::stat(portsPath.constData(), &now) == 0 && now.st_dev == written.st_dev &&
            now.st_ino == written.st_ino)
            ::unlink(portsPath.constData());
    };
    if (log) {
        for (int i = 0; i < slaves.size(); ++i)
            std::fprintf(stderr, "port%d = %s\n", i + 1, qPrintable(slaves.at(i)));
    }
    const int rc = app.exec();
    removeWrittenList();
    return rc;
}
