#include "connection/DetectorConnection.h"

#include "connection/DetectorLink.h"
#include "connection/PlaybackLine.h"
#include "connection/ReplyTimer.h"
#include "connection/ReportFile.h"
#include "connection/SafeFile.h"
#include "connection/TextCodec.h"
#include "connection/texts.h"
#include "serial/PortCatalog.h"
#include "serial/PortWatch.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <utility>

namespace {

// The attempt index is one byte wide; a longer list would wrap and search forever.
constexpr int MAX_PORTS = 256;

// A unit left at a faster speed (the program restarted, the link lost without a power cycle)
// has its reply in under 20 ms, and a USB adapter without low-latency mode holds each way up
// to 16 ms: 52 ms at worst from the request's last byte. The wait counts from that byte, a
// busy machine's late time-out still reads what has come, and a reply begun in time is waited
// for to its end, so the margin needs to cover only the line.
constexpr int FAST_REPLY_MS = 60;
// Once the unit has answered at a speed, the rest of its identification gets the search's
// first wait: the short one is for asking whether anybody is there.
constexpr int SEARCH_REPLY_MS = 1000;

constexpr std::uint8_t REPAIR_SECONDS = 12;

// "COM" + 1..256 is a port number; anything else is a device name.
int comNumber(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^COM([0-9]{1,3})$"));
    const auto m = re.match(name);
    if (!m.hasMatch())
        return 0;
    const int n = m.captured(1).toInt();
    return n >= 1 && n <= 256 ? n : 0;
}

}  // namespace

DetectorConnection::DetectorConnection(QObject* parent)
    : QObject(parent),
      link(new DetectorLink(this, this)),
      COMP(link->COMP),
      tiTimeWaitRepl(link->tiTimeWaitRepl),
      fRep(new ReportFile),
      portWatch(new PortWatch(this)),
      tiRepair(new QTimer(this)),
      tiStep(new QTimer(this))
{
    connect(portWatch, &PortWatch::portsAppeared, this, &DetectorConnection::portsAppeared);
    tiRepair->setInterval(1000);
    tiStep->setSingleShot(true);
    tiStep->setTimerType(Qt::PreciseTimer);
    connect(tiStep, &QTimer::timeout, this, [this] {
        auto step = std::move(FNextStep);
        FNextStep = nullptr;
        if (step && !FStopped)
            step();
    });
    connect(link, &DetectorLink::replyTimeout, this, &DetectorConnection::tiTimeWaitReplTimer);
    connect(link, &DetectorLink::replyAccepted, this, [this] {
        if (link->dispatcher.FlagScanPorts && tiTimeWaitRepl->interval() < SEARCH_REPLY_MS)
            tiTimeWaitRepl->setInterval(SEARCH_REPLY_MS);
        // After a gap in the recording polling goes on where it was: the same unit, still known.
        if (FInPlaybackGap && link->dispatcher.VidObmen() == permanent) {
            FInPlaybackGap = false;
            FFlagReply = true;
            emit replyChanged(true);
            emit linkEstablished();
        }
    });
    connect(link, &DetectorLink::lineSpeedChanged, this, &DetectorConnection::lineSpeedChanged);
    connect(tiRepair, &QTimer::timeout, this, &DetectorConnection::tiRepairTimer);
}

DetectorConnection::~DetectorConnection()
{
    stop();
    delete fRep;
}

TComPortBaudRate DetectorConnection::lineSpeed() const { return COMP->ComPortSpeed(); }

bool DetectorConnection::searching() const { return link->dispatcher.FlagScanPorts; }

bool DetectorConnection::letterMismatch() const
{
    return FFlagReply && FPairLetter && Detector.FIdent != IDENT_PERED && Detector.FLit != *FPairLetter;
}

// ---- What the window asks ----

void DetectorConnection::start()
{
    FStopped = false;
    link->SetWorkingSpeedIndex(params.baud_ind);
    SetFlagReply(false);
    link->dispatcher.Init();
    emit searchStarted();
    ScanPorts();
}

void DetectorConnection::bbFindClick()
{
    // A recording holds its own searches.
    if (FPlayback)
        return;
    tiRepair->stop();
    FWaitingForPort = false;
    emit searchStarted();
    link->dispatcher.Init();
    ScanPorts();
}

void DetectorConnection::receiveErrorSeen()
{
    // The recording went on under the box; it has already taken its course.
    if (FPlayback)
        return;
    // Carry on as after a missed reply, so that the search moves on or the lost link is
    // reported and recovered, instead of showing stale values forever.
    if (!FStopped && !tiTimeWaitRepl->isEnabled())
        tiTimeWaitReplTimer();
}

void DetectorConnection::stop()
{
    FStopped = true;
    FInSearch = false;
    if (FPlayback)
        FPlayback->stop();
    // Nothing of the exchange or the search may run on: a step still pending would act for a
    // program that is closing.
    link->stop();
    tiStep->stop();
    FNextStep = nullptr;
    tiRepair->stop();
    ComPortList.clear();
    fRep->close();
}

// ---- Playback ----

bool DetectorConnection::openPlayback(const QString& path, int pace, QString* error)
{
    auto* line = new PlaybackLine(link, this);
    if (!line->open(path, error)) {
        delete line;
        return false;
    }
    line->setPace(pace);
    FPlayback = line;
    FPlaybackFile = path;
    link->setPlayback(true);
    connect(line, &PlaybackLine::gap, this, &DetectorConnection::playbackGap);
    connect(line, &PlaybackLine::finished, this, &DetectorConnection::playbackFinished);
    // A faulty reply's box stops nothing here: the recording goes on as the installer's
    // program did once the box was closed.
    connect(link, &DetectorLink::receiveFailed, this, &DetectorConnection::playbackMissedReply);
    return true;
}

void DetectorConnection::startPlayback()
{
    FStopped = false;
    SetFlagReply(false);
    // As the search begins; the recording's requests stand for the search's own.
    link->dispatcher.Init();
    link->dispatcher.FlagScanPorts = true;
    FInSearch = true;
    emit searchStarted();
    FPlayback->start();
}

bool DetectorConnection::playbackEnded() const { return FPlayback && FPlayback->ended(); }

void DetectorConnection::playbackMissedReply()
{
    if (FStopped)
        return;
    // Only shown: the installer's Connect.txt is theirs, and the engineer's is not touched.
    addLogLine(QString::fromUtf8(LOG_FAILURE), false);
    if (link->dispatcher.FlagScanPorts)
        return;
    link->stop();
    FInPlaybackGap = false;
    if (!FFlagReply)
        return;
    SetFlagReply(false);
    emit linkLost();
    // The recording's next search begins with a log of its own, as a search does.
    FLog.clear();
    emit logCleared();
    link->dispatcher.Init();
    link->dispatcher.FlagScanPorts = true;
    FInSearch = true;
}

void DetectorConnection::playbackGap()
{
    if (!FFlagReply || link->dispatcher.VidObmen() != permanent)
        return;
    FInPlaybackGap = true;
    // The unit was polled all along; only the file is silent. What it reported stays known.
    FFlagReply = false;
    emit replyChanged(false);
    emit linkLost();
}

void DetectorConnection::after(int ms, std::function<void()> step)
{
    FNextStep = std::move(step);
    tiStep->start(ms);
}

// ---- Search ----

void DetectorConnection::EnumPorts2() { ComPortList = PortCatalog::systemPorts().mid(0, MAX_PORTS); }

bool DetectorConnection::FindPort(const QString& PortName)
{
    EnumPorts2();
    // "-COM3" must find a port the system calls "com3"; open it by the system's spelling.
    for (const QString& name : std::as_const(ComPortList))
        if (name.compare(PortName, Qt::CaseInsensitive) == 0) {
            ComPortList = QStringList{name};
            return true;
        }
    return false;
}

void DetectorConnection::SetPort(const QString& PortName)
{
    if (PortName.isEmpty())
        return;
    COMP->Disconnect();
    if (const int n = comNumber(PortName))
        COMP->SetComPort(TComPortNumber(n - 1));
    else
        COMP->SetComPortName(PortName);
    COMP->SetComPortBaudRate(BufBaudRate);
    emit lineSpeedChanged(BufBaudRate);
    if (!COMP->Connect()) {
        const PortTrouble trouble = diagnosePort(PortName);
        if (trouble.kind != PortTrouble::None)
            FPortTroubles.append(trouble);
    }
}

void DetectorConnection::SetCOMPortName(const QString& Value)
{
    FCOMPortName = Value;
    emit portChanged(Value);
}

void DetectorConnection::ScanPorts()
{
    FInSearch = true;
    FLog.clear();
    emit logCleared();
    FPortTroubles.clear();
    // A port just closed (a lost link, a search before) is given time to settle.
    after(500, [this] {
        addLogLine(QString::fromUtf8(LOG_ADDRESS) + params.val_addr, false);
        addLogLine(QString::fromUtf8(LOG_SPEED_4800), false);
        BufBaudRate = br4800;
        // 4800 first, as a unit comes up after power-on; then where the program leaves it;
        // then the speeds someone else may have left it at.
        FSearchSpeeds = {br4800};
        for (std::uint8_t i : {params.baud_ind, std::uint8_t(1), std::uint8_t(2), std::uint8_t(3),
                               std::uint8_t(4), std::uint8_t(5)})
            if (i < 6 && !FSearchSpeeds.contains(CPS_INDEX[i]))
                FSearchSpeeds << CPS_INDEX[i];
        if (!params.is_com)
            EnumPorts2();
        // A port just plugged in is most likely the one the installer means.
        for (auto it = FFirstPorts.crbegin(); it != FFirstPorts.crend(); ++it)
            if (ComPortList.removeAll(*it) > 0)
                ComPortList.prepend(*it);
        FFirstPorts.clear();
        if (ComPortList.isEmpty()) {
            FInSearch = false;
            emit searchFailed(QString::fromUtf8(MSG_NO_PORTS), {});
            return;
        }
        link->dispatcher.FlagScanPorts = true;
        ScanPortFirst();
    });
}

void DetectorConnection::ScanPortFirst()
{
    // One position before the first port: the index is a byte, so the step wraps it to 0.
    FComportListIndex = std::uint8_t(-1);
    ScanPortNext();
}

void DetectorConnection::ScanPortNext()
{
    ++FComportListIndex;
    FSpeedAttempt = 0;
    BufBaudRate = br4800;
    tiTimeWaitRepl->setInterval(SEARCH_REPLY_MS);
    SetCOMPortName(ComPortList.value(FComportListIndex));
    addLogLine(QString::fromUtf8(LOG_ATTEMPT) + FCOMPortName, true);
    // Some adapters need a moment between closing one port and opening the next, and again
    // before the first request after opening.
    COMP->Disconnect();
    after(30, [this] {
        SetPort(FCOMPortName);
        after(30, [this] {
            // The series position stays where the last port left it. A port that did not
            // open has nobody to wait for: it is given up at once, as if unanswered.
            if (COMP->Connected())
                link->dispatcher.proc_cf_req(addr_obmen, link->dispatcher.current());
            else
                tiTimeWaitReplTimer();
        });
    });
}

bool DetectorConnection::ScanPortNextSpeed()
{
    if (!COMP->Connected() || FSpeedAttempt + 1 >= FSearchSpeeds.size())
        return false;
    ++FSpeedAttempt;
    BufBaudRate = FSearchSpeeds[FSpeedAttempt];
    addLogLine(QString::fromUtf8(LOG_ATTEMPT_SPEED) + baudText(BufBaudRate), true);
    // The port stays open; the driver lets the last request leave before the speed changes.
    COMP->SetComPortBaudRate(BufBaudRate);
    emit lineSpeedChanged(BufBaudRate);
    tiTimeWaitRepl->setInterval(FAST_REPLY_MS);
    link->dispatcher.proc_cf_req(addr_obmen, link->dispatcher.current());
    return true;
}

void DetectorConnection::addLogLine(const QString& line, bool save)
{
    FLog << line;
    emit logLineAdded(line);
    if (save)
        SaveConnectLog();
}

void DetectorConnection::SaveConnectLog()
{
    // The log of a search in a recording is the installer's; this folder's file is left alone.
    if (FPlayback)
        return;
    SafeFile file(QString::fromUtf8(CONNECT_LOG_FILE));
    QString why;
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (written)
        written = SafeFile::writeAll(file, linesToCp1251(FLog), &why);
    else
        why = file.errorString();
    // One warning per run is enough: a log that cannot be written once will not be writable
    // at the next step either, and the search must not stop for it.
    if (written || FLogWarned)
        return;
    FLogWarned = true;
    emit fileTrouble(QString::fromUtf8(CONNECT_LOG_ERROR_TEXT).arg(QFileInfo(file).absoluteFilePath(), why));
}

void DetectorConnection::AddEvent(const QString& ev)
{
    // A report file that could not be created was already reported at start; the program
    // goes on without it.
    if (!fRep->isOpen() || fRep->append(ev) || FReportWarned)
        return;
    FReportWarned = true;
    emit fileTrouble(QString::fromUtf8(REPORT_WRITE_ERROR_TEXT)
                         .arg(QFileInfo(QString::fromUtf8(REPORT_FILE)).absoluteFilePath(), fRep->errorString()));
}

// ---- Supervision ----

void DetectorConnection::tiTimeWaitReplTimer()
{
    if (FPlayback) {
        playbackMissedReply();
        return;
    }
    tiTimeWaitRepl->setEnabled(false);
    addLogLine(QString::fromUtf8(LOG_FAILURE), true);
    if (link->dispatcher.FlagScanPorts && ScanPortNextSpeed())
        return;
    link->stop();
    after(30, [this] { afterMissedReply(); });
}

void DetectorConnection::afterMissedReply()
{
    if (link->dispatcher.FlagScanPorts) {
        if (FComportListIndex + 1 < ComPortList.size()) {
            ScanPortNext();
            return;
        }
        FInSearch = false;
        // Still searching while the failure is shown: the start page offers a new search.
        emit searchFailed(QString::fromUtf8(MSG_NOT_FOUND), FPortTroubles);
        link->dispatcher.FlagScanPorts = false;
        return;
    }
    // Idle after a failed search nothing is connected, so nothing can be lost; a stray
    // miss must not start a search the user did not ask for.
    if (!FFlagReply)
        return;
    // A dialog open over a lost unit would edit a value nobody can receive: it goes first,
    // and the loss is shown once it has.
    if (dialogsOpen && dialogsOpen()) {
        after(10, [this] { afterMissedReply(); });
        return;
    }
    AddEvent(QString::fromUtf8(EVENT_LINK_LOST));
    SetFlagReply(false);
    // Unplugged: nothing will answer on that port until it is back, and then at once.
    if (!PortWatch::present(FCOMPortName)) {
        FWaitingForPort = true;
        SetCountTiRepair(0);
        emit linkLost();
        return;
    }
    SetCountTiRepair(REPAIR_SECONDS);
    tiRepair->start();
    emit linkLost();
}

void DetectorConnection::tiRepairTimer()
{
    if (FCountTiRepair > 0)
        SetCountTiRepair(FCountTiRepair - 1);
    if (FCountTiRepair > 0)
        return;
    tiRepair->stop();
    bbFindClick();
}

void DetectorConnection::portsAppeared(const QStringList& ports)
{
    if (FStopped || FFlagReply || FPlayback)
        return;
    // With -COM only the named port is ever searched.
    if (params.is_com && !ports.contains(ComPortList.value(0)))
        return;
    if (FInSearch) {
        if (params.is_com)
            return;
        // A search going through the ports takes them on before it gives up; one still in its
        // first pause reads the list after it, and tries them first.
        if (link->dispatcher.FlagScanPorts) {
            for (const QString& port : ports)
                if (!ComPortList.contains(port) && ComPortList.size() < MAX_PORTS)
                    ComPortList << port;
        } else {
            FFirstPorts << ports;
        }
        return;
    }
    FFirstPorts = params.is_com ? QStringList() : ports;
    bbFindClick();
}

void DetectorConnection::SetCountTiRepair(std::uint8_t Value)
{
    FCountTiRepair = Value;
    emit countdownChanged(Value);
}

void DetectorConnection::SetFlagReply(bool Value)
{
    FFlagReply = Value;
    if (!Value) {
        // What was reported belongs to the unit that was lost; the next unit found reports afresh.
        FFieldReported = false;
        FSignalReported = false;
        FCarried = 0;
    }
    emit replyChanged(Value);
}

// ---- The unit's values: kept here first, then shown ----

void DetectorConnection::changed(DetectorValue v)
{
    if (!FChoosing && !link->applyingChoices())
        FCarried |= v;
    emit unitChanged();
}

std::uint16_t DetectorConnection::takeCarried()
{
    return std::exchange(FCarried, std::uint16_t(0));
}

void DetectorConnection::SetReqState(std::uint8_t rs)
{
    Detector.FReqState = rs;
    if (FScreen)
        FScreen->SetReqState(rs);
    changed(ValueState);
}

void DetectorConnection::SetVersPr(std::array<std::uint8_t, 2> Value)
{
    Detector.FVersPr = Value;
    if (FScreen)
        FScreen->SetVersPr(Value);
    changed(ValueFirmware);
}

void DetectorConnection::SetIdent(TIdent Value)
{
    Detector.FIdent = Value;
    if (FScreen)
        FScreen->SetIdent(Value);
    changed(ValueIdent);
}

void DetectorConnection::PoiskIdent(std::uint8_t code) { fmIdent.PoiskIdent(code); }

void DetectorConnection::SetAddr(std::int32_t Value)
{
    Detector.FAddr = Value;
    if (FScreen)
        FScreen->SetAddr(Value);
    changed(ValueAddress);
}

void DetectorConnection::SetLit(TLitera Value)
{
    Detector.FLit = Value;
    if (Detector.FIdent == IDENT_PERED)
        FPairLetter = Value;
    if (FScreen)
        FScreen->SetLit(Value);
    changed(ValueLetter);
}

void DetectorConnection::SetScor(Skorost Value)
{
    Detector.FScor = Value;
    if (FScreen)
        FScreen->SetScor(Value);
    changed(ValueRange);
}

void DetectorConnection::SetPosPorog(TPosPorog p)
{
    Detector.FPosPorog = p;
    if (FScreen)
        FScreen->SetPosPorog(p);
    changed(ValueThreshold);
}

void DetectorConnection::SetPosUstMarker(TPosUstMarker s)
{
    Detector.FPosUstMarker = s;
    FSignalReported = true;
    if (FScreen)
        FScreen->SetPosUstMarker(s);
    changed(ValueSignal);
}

void DetectorConnection::SetValPole(TValPole v)
{
    Detector.ValPole = v;
    FFieldReported = true;
    if (FScreen)
        FScreen->SetValPole(v);
    changed(ValueField);
}

void DetectorConnection::SetFlagTr(bool Value)
{
    Detector.FFlagTr = Value;
    if (FScreen)
        FScreen->SetFlagTr(Value);
    changed(ValueAlarm);
}

void DetectorConnection::SetRejim(TRejim Value)
{
    Detector.FRejim = Value;
    if (FScreen)
        FScreen->SetRejim(Value);
    changed(ValueMode);
}

void DetectorConnection::ReceiverFound()
{
    FInSearch = false;
    ++FUnitNumber;
    SetFlagReply(true);
    if (FScreen)
        FScreen->ReceiverFound();
    addLogLine(QString::fromUtf8(LOG_SUCCESS), false);
    addLogLine(QString::fromUtf8(LOG_SPEED_SWITCH) + params.val_baud, true);
    emit linkEstablished();
}

void DetectorConnection::TransmitterFound()
{
    FInSearch = false;
    ++FUnitNumber;
    if (FScreen)
        FScreen->TransmitterFound();
    SetFlagReply(true);
    emit linkEstablished();
}
