#pragma once
// Finds the unit and keeps the link to it: the search over ports and speeds, the watch on its
// replies, the countdown after a loss, the connection log ("Connect.txt") and the report of
// lost links. Not a widget: it holds the unit's values as decoded, says through its signals
// what there is to show, and is asked to act ("search", "stop"). Whoever shows the unit (the
// window) hears each decoded value through the DetectorView it is given.
#include "connection/ident.h"
#include "connection/params.h"
#include "protocol/DetectorView.h"
#include "serial/PortDiagnosis.h"
#include "serial/SerialDrv.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class DetectorLink;
class PlaybackLine;
class PortWatch;
class QTimer;
class ReplyTimer;
class ReportFile;

class DetectorConnection : public QObject, public DetectorView {
    Q_OBJECT
public:
    explicit DetectorConnection(QObject* parent = nullptr);
    ~DetectorConnection() override;

    // Shown every decoded value after it is kept here; none in a program without a window.
    void setScreen(DetectorView* screen) { FScreen = screen; }
    // Asked before a loss is reported: true while a dialog over the lost unit is still
    // closing, and the loss is looked at again a moment later.
    std::function<bool()> dialogsOpen;

    // ---- The unit ----
    // What the unit has said of itself (or the user has just set), the one record of it that
    // the window, the session record and the report read.
    TDetectorState Detector;
    // Whether it has reported its field and its alignment signal since polling last began.
    bool fieldReported() const { return FFieldReported; }
    bool signalReported() const { return FSignalReported; }
    // The values decoded since the last call (DetectorValue bits): what the last reply carried.
    std::uint16_t takeCarried();
    // A value the user chose is kept and shown like a reported one, but it was not measured:
    // the reply that next carries it says what the unit took.
    template <class Set>
    void choose(Set&& set)
    {
        FChoosing = true;
        set();
        FChoosing = false;
    }
    // The receiver model lookup; it reports the model through SetIdent.
    TfmIdent fmIdent{[this](TIdent model) { SetIdent(model); }};
    // Counts the identifications in this run (a unit found again after a loss counts again).
    int unitNumber() const { return FUnitNumber; }
    // The letter of the transmitter last seen or set in this run, if any: its receiver must
    // have the same.
    std::optional<TLitera> pairLetter() const { return FPairLetter; }
    // A receiver is polled whose letter is not its transmitter's.
    bool letterMismatch() const;
    // The port it answers on, and the line's speed.
    QString portName() const { return FCOMPortName; }
    TComPortBaudRate lineSpeed() const;
    bool FlagReply() const { return FFlagReply; }
    // True while a search goes through the ports, until it finds a unit or gives up.
    bool searching() const;
    // The link was lost with its port: there is no countdown, the next port that appears is
    // searched at once.
    bool waitingForPort() const { return FWaitingForPort; }

    // The exchange: port, reply timer, dispatcher.
    DetectorLink* link;
    TSerialPortDriver* COMP;
    ReplyTimer* tiTimeWaitRepl;

    // ---- Command line and files ----
    // The parsed command line; set before start().
    RParamStruct params;
    QStringList ComPortList;
    // The report of lost links, opened by whoever starts the program.
    ReportFile* fRep;
    void AddEvent(const QString& ev);
    // The connection log as shown and saved in "Connect.txt".
    QStringList log() const { return FLog; }

    // ---- What the window asks ----
    // The first search after the program starts.
    void start();
    // "Найти извещатель" / "Восстановить связь": a search now.
    void bbFindClick();
    // A faulty reply's box has been closed: carry on as after a missed reply.
    void receiveErrorSeen();
    // The program is closing: nothing is pending any more, the port is closed.
    void stop();

    // ---- Playback of an exchange capture, instead of a unit ----
    // Reads the capture through; false with the reader's message. No port is opened then,
    // nothing is sent, and no search is made: startPlayback() plays the recording instead.
    bool openPlayback(const QString& path, int pace, QString* error);
    void startPlayback();
    bool playing() const { return FPlayback != nullptr; }
    PlaybackLine* playback() const { return FPlayback; }
    QString playbackFile() const { return FPlaybackFile; }
    bool playbackEnded() const;

    // ---- Search ----
    void EnumPorts2();
    bool FindPort(const QString& PortName);
    void SetPort(const QString& PortName);
    void SetCOMPortName(const QString& Value);
    void ScanPorts();
    void ScanPortFirst();
    void ScanPortNext();
    // The same port at the next speed of the search; false when none is left to try.
    bool ScanPortNextSpeed();
    // Ports of the running search that would not open, and why.
    QList<PortTrouble> FPortTroubles;

    // Ports that appeared while nothing answers: searched at once, before the others.
    void portsAppeared(const QStringList& ports);
    PortWatch* portWatch;

    // ---- Supervision ----
    void tiTimeWaitReplTimer();
    // What a missed reply means, once the port has been closed for a moment: the next port,
    // the end of the search, or a lost link.
    void afterMissedReply();
    QTimer* tiRepair;
    void tiRepairTimer();
    std::uint8_t CountTiRepair() const { return FCountTiRepair; }
    void SetCountTiRepair(std::uint8_t Value);
    void SetFlagReply(bool Value);

    // ---- DetectorView: the values are kept, then shown ----
    void SetReqState(std::uint8_t rs) override;
    void SetVersPr(std::array<std::uint8_t, 2> Value) override;
    void SetIdent(TIdent Value) override;
    void PoiskIdent(std::uint8_t code) override;
    void SetAddr(std::int32_t Value) override;
    void SetLit(TLitera Value) override;
    void SetScor(Skorost Value) override;
    void SetPosPorog(TPosPorog p) override;
    void SetPosUstMarker(TPosUstMarker s) override;
    void SetValPole(TValPole v) override;
    void SetFlagTr(bool Value) override;
    void SetRejim(TRejim Value) override;
    TIdent Ident() const override { return Detector.FIdent; }
    TRejim Rejim() const override { return Detector.FRejim; }
    void TransmitterFound() override;
    void ReceiverFound() override;

signals:
    // The start page's "Ждите...": a search has begun.
    void searchStarted();
    // A search gave up: no ports at all (troubles empty), or none answered, with why the
    // ports that would not open did not.
    void searchFailed(const QString& message, const QList<PortTrouble>& troubles);
    // A unit was recognised on a port; polling starts.
    void linkEstablished();
    // The unit stopped answering while it was polled; the countdown to a new search runs.
    void linkLost();
    // Seconds left before the next search after a loss.
    void countdownChanged(int seconds);
    // Whether a unit answers: the panel instead of the start page.
    void replyChanged(bool answering);
    void portChanged(const QString& port);
    void lineSpeedChanged(TComPortBaudRate rate);
    void logCleared();
    void logLineAdded(const QString& line);
    // A value of the unit changed (after the window has shown it).
    void unitChanged();
    // A file of ours could not be written; said once per file and run.
    void fileTrouble(const QString& text);
    // The recording has been played to its end.
    void playbackFinished();

private:
    // A reply the recording does not hold: the recorded search goes on with its next request,
    // polling has lost its unit, and the recording's next search is followed.
    void playbackMissedReply();
    // The recording holds nothing for a while: shown as a lost link until it goes on.
    void playbackGap();
    PlaybackLine* FPlayback = nullptr;
    QString FPlaybackFile;
    bool FInPlaybackGap = false;

    // The search's pauses: the next step runs from the event loop after ms, and a new step,
    // or stop(), cancels the one pending.
    void after(int ms, std::function<void()> step);
    void addLogLine(const QString& line, bool save);
    void SaveConnectLog();
    void changed(DetectorValue v);

    DetectorView* FScreen = nullptr;
    QTimer* tiStep;
    std::function<void()> FNextStep;
    bool FStopped = true;
    // From a search's start (its first pause) until it finds a unit or gives up.
    bool FInSearch = false;
    bool FWaitingForPort = false;
    QStringList FFirstPorts;
    QString FCOMPortName;
    std::uint8_t FComportListIndex = 0;
    QList<TComPortBaudRate> FSearchSpeeds;
    int FSpeedAttempt = 0;
    TComPortBaudRate BufBaudRate{};
    bool FFlagReply = false;
    std::uint8_t FCountTiRepair = 0;
    QStringList FLog;
    bool FLogWarned = false;
    bool FReportWarned = false;
    bool FFieldReported = false;
    bool FSignalReported = false;
    std::uint16_t FCarried = 0;
    bool FChoosing = false;
    int FUnitNumber = 0;
    std::optional<TLitera> FPairLetter;
};
