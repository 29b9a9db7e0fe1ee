// Pictures of the real window for the README: the program runs in process, offscreen, against
// simulated detectors on pseudo-terminals, and each view is grabbed once it shows what it should.
//   dorvik_screenshots <output dir>
#include "SimulatedDetector.h"
#include "connection/texts.h"
#include "dialogs/liter.h"
#include "panel/AlarmSound.h"
#include "panel/main.h"
#include "panel/state_texts.h"
#include "connection/DetectorConnection.h"
#include "trend/CommissioningReport.h"
#include "trend/TrendWindow.h"
#include "trend/WalkPanel.h"

#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

class SilentAlarm : public AlarmSound {
public:
    using AlarmSound::AlarmSound;
    void start() override { on = true; }
    void stop() override { on = false; }
    bool playing() const override { return on; }
    bool on = false;
};

AlarmSound* makeSilentAlarm(QObject* parent) { return new SilentAlarm(parent); }

QString outputDir;
bool failed = false;

void fail(const QString& what)
{
    std::fprintf(stderr, "dorvik_screenshots: %s\n", qPrintable(what));
    failed = true;
}

// Runs the event loop until the condition holds; the exchange goes on meanwhile.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Lets a few more replies arrive so that scales and values have caught up.
void settle(int ms = 600)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void save(const QPixmap& picture, const QString& name)
{
    const QString path = QDir(outputDir).filePath(name);
    if (picture.isNull() || !picture.save(path, "PNG"))
        fail(QStringLiteral("could not write %1").arg(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// The program as the installer starts it: a fresh window, the units' ports as the machine's
// serial ports, a scratch working and settings directory. Leaving the scope closes the window
// the normal way.
class Program {
public:
    Program(const std::vector<SimulatedDetector*>& units, const QStringList& arguments = {})
        : Program(portsOf(units), arguments)
    {
    }
    Program(const QStringList& ports, const QStringList& arguments)
    {
        qputenv("DORVIK_SERIAL_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
        qputenv("DORVIK_SETTINGS_DIR", FDir.path().toLocal8Bit());
        FOldCwd = QDir::currentPath();
        QDir::setCurrent(FDir.path());
        CreateForms();
        fmMain->arguments = arguments;
        fmMain->show();
    }
    ~Program()
    {
        if (fmMain)
            fmMain->close();
        DestroyForms();
        QDir::setCurrent(FOldCwd);
    }

private:
    static QStringList portsOf(const std::vector<SimulatedDetector*>& units)
    {
        QStringList ports;
        for (SimulatedDetector* unit : units)
            ports << unit->slavePath();
        return ports;
    }

    QTemporaryDir FDir;
    QString FOldCwd;
};

std::unique_ptr<SimulatedDetector> openUnit(const SimConfig& config)
{
    auto unit = std::make_unique<SimulatedDetector>(config);
    if (!unit->open()) {
        fail(QStringLiteral("no pseudo-terminal for a simulated unit"));
        return nullptr;
    }
    return unit;
}

bool panelShown() { return fmMain->paMain->isVisible() && !fmMain->paInit->isVisible(); }

void shootSearch()
{
    SimConfig nothing;
    nothing.kind = SimConfig::Empty;
    auto first = openUnit(nothing), second = openUnit(nothing);
    if (!first || !second)
        return;
    Program program(std::vector<SimulatedDetector*>{first.get(), second.get()}, {QStringLiteral("-PROT")});
    // The first port has failed and the second is being tried: the log tells the story.
    const QString failure = QString::fromUtf8(LOG_FAILURE);
    const bool searching = waitFor([&] {
        return !fmMain->lbStepInit->findItems(failure, Qt::MatchExactly).isEmpty() &&
               fmMain->lbStepInit->item(fmMain->lbStepInit->count() - 1)->text() != failure;
    });
    if (!searching)
        return fail(QStringLiteral("the search never moved to the second port"));
    save(fmMain->grab(), QStringLiteral("start-search.png"));
}

void shootReceiverAlarm()
{
    SimConfig config;
    config.model = 22;
    config.threshold = 7;
    config.field = 96;
    config.alarm = true;
    config.stateByte = 0x01;  // relay open, as it is during an alarm
    config.letterIndex = 2;
    auto unit = openUnit(config);
    if (!unit)
        return;
    Program program({unit.get()});
    const QString alarm = QString::fromUtf8(SOST_TR);
    if (!waitFor([&] { return panelShown() && fmMain->paSost->text() == alarm; }))
        return fail(QStringLiteral("the receiver never showed its alarm"));
    settle();
    save(fmMain->grab(), QStringLiteral("receiver-alarm.png"));
}

void shootAlignment()
{
    SimConfig config;
    config.mode = 1;
    config.signal = 96;
    auto unit = openUnit(config);
    if (!unit)
        return;
    Program program({unit.get()});
    if (!waitFor([] { return panelShown() && fmMain->Rejim() == ust; }))
        return fail(QStringLiteral("the receiver never showed alignment mode"));
    settle();
    save(fmMain->grab(), QStringLiteral("receiver-alignment.png"));
}

void shootTransmitter()
{
    SimConfig config;
    config.kind = SimConfig::Transmitter;
    auto unit = openUnit(config);
    if (!unit)
        return;
    Program program({unit.get()});
    if (!waitFor([] { return panelShown() && fmMain->stPered->isVisible(); }))
        return fail(QStringLiteral("the transmitter view never came up"));
    settle(300);
    save(fmMain->grab(), QStringLiteral("transmitter.png"));
}

// The dialog over the greyed window, as the installer sees them together.
QPixmap dialogOverWindow(QWidget* dialog)
{
    const QRect window = fmMain->geometry();
    const QRect box = dialog->geometry();
    const QRect all = window.united(box);
    QPixmap picture(all.size());
    picture.fill(Qt::darkGray);
    QPainter painter(&picture);
    painter.drawPixmap(window.topLeft() - all.topLeft(), fmMain->grab());
    painter.drawPixmap(box.topLeft() - all.topLeft(), dialog->grab());
    painter.setPen(Qt::black);  // offscreen windows have no frame; a line keeps the dialog apart
    painter.drawRect(QRect(box.topLeft() - all.topLeft(), box.size()).adjusted(-1, -1, 0, 0));
    return picture;
}

void shootLetterDialog()
{
    SimConfig config;
    config.letterIndex = 4;
    auto unit = openUnit(config);
    if (!unit)
        return;
    Program program({unit.get()});
    // The panel shows before the line has moved to the working speed; the dialogs wait for it.
    if (!waitFor([] { return panelShown() && fmMain->SettingDialogsAllowed(); }))
        return fail(QStringLiteral("the receiver never came up for the letter dialog"));
    settle(300);

    // The dialog runs its own loop: the grab has to happen from inside it.
    bool grabbed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != fmLiter || !fmLiter->isVisible())
            return;
        poll.stop();
        settle(200);
        save(dialogOverWindow(fmLiter), QStringLiteral("letter-dialog.png"));
        grabbed = true;
        fmLiter->reject();
    });
    poll.start();
    QTimer::singleShot(0, fmMain, [] { fmMain->bbLiterClick(); });
    if (!waitFor([&] { return grabbed && !fmLiter->isVisible(); }))
        fail(QStringLiteral("the letter dialog never opened"));
}

// The unit's value over time while somebody walks the zone (duty) or the installer turns the
// unit (alignment): t in seconds since the script began.
int walkedField(double t)
{
    const double crossings[][2] = {{4, 120}, {11, 96}, {17, 135}};  // when, how high
    double v = 20 + 2 * std::sin(t * 7);
    for (const auto& c : crossings)
        v += (c[1] - 20) * std::exp(-std::pow((t - c[0]) / 0.6, 2));
    return int(std::lround(v));
}

int turnedSignal(double t) { return int(std::lround(70 + 60 * std::sin(t / 3.2) - t * 1.5)); }

// Plays a script on the unit for seconds while the program polls it.
void playScript(SimulatedDetector& unit, double seconds, const std::function<void(SimConfig&, double)>& step)
{
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { step(unit.state(), clock.elapsed() / 1000.0); });
    timer.start(20);
    waitFor([&] { return clock.elapsed() > seconds * 1000; }, int(seconds * 1000) + 5000);
}

void shootTrend(const char* name, const SimConfig& config, const std::function<void(SimConfig&, double)>& step)
{
    auto unit = openUnit(config);
    if (!unit)
        return;
    Program program({unit.get()});
    if (!waitFor([] { return panelShown() && fmMain->SettingDialogsAllowed(); }))
        return fail(QStringLiteral("the receiver never came up for the trend"));
    fmMain->bbTrendClick();
    // The offscreen screen is small: the trend is placed to fit it, and shown here at its own size.
    fmMain->fmTrend->resize(900, 560);
    fmMain->fmTrend->setSpan(30);
    playScript(*unit, 22, step);
    fmMain->fmTrend->refresh();
    save(fmMain->fmTrend->grab(), QString::fromUtf8(name));
}

// A pair commissioned as on a fence line: the transmitter's letter read, the cable carried to
// the receiver, a walk test with one crossing in a dip that the unit misses, and the record.
void shootWalkTest()
{
    SimConfig txConfig;
    txConfig.kind = SimConfig::Transmitter;
    txConfig.letterIndex = 2;
    SimConfig rxConfig;
    rxConfig.threshold = 5;
    rxConfig.model = 22;
    rxConfig.address = 7;
    rxConfig.letterIndex = 2;
    auto transmitter = openUnit(txConfig);
    auto receiver = openUnit(rxConfig);
    if (!transmitter || !receiver)
        return;
    QTemporaryDir cable;
    const QString port = cable.filePath(QStringLiteral("usb-adapter"));
    QFile::link(transmitter->slavePath(), port);
    Program program(QStringList{port}, {});
    if (!waitFor([] { return panelShown() && fmMain->Ident() == IDENT_PERED; }))
        return fail(QStringLiteral("the transmitter never came up"));
    transmitter->vanish();
    QFile::remove(port);
    if (!waitFor([] { return fmMain->connection->waitingForPort(); }))
        return fail(QStringLiteral("the unplugged transmitter was not noticed"));
    QFile::link(receiver->slavePath(), port);
    if (!waitFor([] { return panelShown() && fmMain->Ident() != IDENT_PERED && fmMain->SettingDialogsAllowed(); }))
        return fail(QStringLiteral("the receiver never came up after the transmitter"));

    fmMain->bbTrendClick();
    TrendWindow* trend = fmMain->fmTrend;
    trend->resize(900, 560);
    trend->setSpan(30);
    trend->sbWalk->click();
    // When, how high, where, and whether the unit answers.
    struct Walker {
        double at;
        int peak;
        int place;
        bool alarm;
    };
    static const Walker walkers[] = {{4, 120, 0, true}, {9, 100, 1, true}, {14, 110, 4, false}, {19, 135, 2, true}};
    playScript(*receiver, 24, [](SimConfig& unit, double t) {
        static double alarmUntil = -1;
        double v = 20 + 1.5 * std::sin(t * 7);
        for (const Walker& w : walkers) {
            if (t > w.at - 2 && t < w.at - 1.5)
                fmMain->fmTrend->walkPanel->cbPlace->setCurrentIndex(w.place);
            const double swell = (w.peak - 20) * std::exp(-std::pow((t - w.at) / 0.5, 2));
            v += swell;
            if (w.alarm && 20 + swell > 77)
                alarmUntil = t + 1.5;
        }
        unit.field = quint8(std::lround(v));
        unit.alarm = t < alarmUntil;
        unit.stateByte = unit.alarm ? 0x01 : 0x00;
    });
    trend->sbWalk->click();
    trend->refresh();
    settle(300);
    save(trend->grab(), QStringLiteral("walk-test.png"));

    // The script turns the report's pages into pictures; the PDF itself is not kept.
    const QString path = QDir(outputDir).filePath(QStringLiteral("commissioning-report.pdf"));
    ReportFacts asked;
    asked.site = QStringLiteral("Склад №3");
    asked.section = QStringLiteral("Участок 2, северная сторона");
    asked.installer = QStringLiteral("Иванов И. И.");
    asked.conditions = QStringLiteral("Ясно, −5 °C, снег 10 см, грунт промёрзший.");
    QString error;
    if (!fmMain->writeReport(path, asked, &error))
        return fail(error);
    std::printf("%s\n", qPrintable(path));
}

void shootTrends()
{
    SimConfig duty;
    duty.threshold = 5;
    duty.model = 22;
    shootTrend("trend-duty.png", duty, [](SimConfig& unit, double t) {
        unit.field = quint8(walkedField(t));
        // The unit holds its alarm for a while after the field came down.
        static double alarmUntil = -1;
        if (unit.field > 77)
            alarmUntil = t + 1.5;
        unit.alarm = t < alarmUntil;
        unit.stateByte = unit.alarm ? 0x01 : 0x00;
    });
    SimConfig alignment;
    alignment.mode = 1;
    alignment.model = 22;
    shootTrend("trend-alignment.png", alignment,
               [](SimConfig& unit, double t) { unit.signal = quint8(std::clamp(turnedSignal(t), 0, 153)); });
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: dorvik_screenshots <output dir>\n");
        return 2;
    }
    // Absolute: the program under the camera works in a scratch directory of its own.
    outputDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(outputDir)) {
        std::fprintf(stderr, "dorvik_screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    setAlarmSoundFactory(&makeSilentAlarm);

    shootSearch();
    shootReceiverAlarm();
    shootAlignment();
    shootTransmitter();
    shootLetterDialog();
    shootTrends();
    shootWalkTest();
    return failed ? 1 : 0;
}
