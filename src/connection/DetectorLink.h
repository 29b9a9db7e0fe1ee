#pragma once
// The exchange with the unit as one object that is not a widget: the port, the reply timer,
// the frame buffers, the dispatcher, the receive path and the speed switch. The window creates
// it and is its DetectorView; it hears back through signals.
#include "protocol/DetectorView.h"
#include "protocol/frames.h"
#include "protocol/obmen.h"
#include "serial/SerialDrv.h"

#include "serial/CaptureFormat.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class ExchangeCapture;
class ReplyTimer;

class DetectorLink : public QObject, public ExchangeLine {
    Q_OBJECT
public:
    DetectorLink(DetectorView* view, QObject* parent = nullptr);
    ~DetectorLink() override;

    TSerialPortDriver* COMP;
    ReplyTimer* tiTimeWaitRepl;
    TTransmitter transmitter;
    TReceiver receiver;
    TDispObmen dispatcher;

    // Every chunk the port delivers (connection/receive.cpp).
    void COMPReceiveData(TSerialPortDriver* Sender, const std::uint8_t* DataPtr, int DataSize);

    void SendFrame(const std::vector<std::uint8_t>& frame, std::uint8_t replyBytes) override;
    void SetReplyInterval(int ms) override;
    void StopReplyTimer() override;
    // The speed the unit is moved to; 4800 once it has twice acknowledged a move it did not make.
    std::uint8_t WorkingSpeedIndex() const override;
    void SetWorkingSpeedIndex(std::uint8_t index);
    void SwitchToWorkingSpeed(std::function<void()> then) override;

    // From the speed command until polling starts at the new speed.
    bool switching() const { return bool(FNext); }
    // The exchange capture: every request written and every piece received, with its time and
    // the line's speed, into path. Adds nothing to the wire.
    bool startCapture(const QString& path, QString* error);
    void stopCapture();
    bool capturing() const;

    // Cancels whatever is under way and closes the port: the window is closing, or the
    // exchange starts afresh.
    void stop();

    // ---- Playback: a recording stands in for the port (PlaybackLine) ----
    // The dispatcher's own requests then go nowhere, and no port is opened or reprogrammed.
    void setPlayback(bool on) { FPlayback = on; }
    // Showing the settings the installer chose, as recorded: values chosen, not measured.
    bool applyingChoices() const { return FApplyingChoices; }
    bool playback() const { return FPlayback; }
    // The recorded request becomes the one outstanding, at its recorded line speed. The
    // settings recorded right after it (settingsAhead) were chosen by the installer before
    // its reply came, and are shown before that reply is, as they were.
    void playRequest(const CaptureRecord& request, const QList<QByteArray>& settingsAhead);
    // A request that changes a setting of the unit, rather than asking for a value.
    static bool isSetting(const QByteArray& request);
    // A recorded piece, as the port would have handed it over.
    void playReceived(const QByteArray& bytes);
    // The request played last still waits for its reply, or for the rest of it.
    bool awaitingReply() const { return FAwaitingReply; }
    // Its wait has run out, as the reply timer's would have.
    void playMissedReply();

signals:
    void replyTimeout();
    // A reply was accepted and its values handed on.
    void replyAccepted();
    // The third faulty reply since the search began: the exchange has stopped.
    void receiveFailed(const QString& text);
    void lineSpeedChanged(TComPortBaudRate rate);
    // The capture could not be written on and has stopped.
    void captureFailed(const QString& text);
    // The unit stays at 4800 bit/s: it acknowledged the move to wantedBaud twice without making it.
    void speedSwitchRefused(qint32 wantedBaud);

private:
    void after(int ms, std::function<void()> step);
    void replyTimedOut();
    // The recorded settings the installer chose before the reply now decoded.
    void applySettingsAhead();
    bool FApplyingChoices = false;
    bool FPlayback = false;
    bool FAwaitingReply = false;
    QList<QByteArray> FSettingsAhead;
    DetectorView* FView;

    qint32 lineBaud() const;
    // Every request written and every piece received, for the capture; the search that found
    // the unit is kept too, so that a capture started later still shows how it was found.
    void note(bool request, const std::uint8_t* data, int size);
    QElapsedTimer FClock;
    QList<CaptureRecord> FSearchRecords;
    qsizetype FSearchBytes = 0;
    QString FSearchPort;
    int FPolled = 0;  // records since polling began after the search that was recorded
    bool FKeptAll = true;  // every record since the first kept one was kept

    ExchangeCapture* FCapture;
    std::uint8_t FWorkingSpeedIndex = 4;
    // A unit that acknowledges the speed command but keeps its speed would be lost after every
    // switch and found again at 4800, for ever. Counted from the switch: no reply at the new
    // speed, then the unit found again at 4800.
    void noteSwitchOutcome();
    bool FSwitchUnconfirmed = false;  // switched; no reply accepted at the new speed yet
    bool FRefindPending = false;      // lost right after a switch; the next find tells why
    int FSwitchesNotFollowed = 0;
    // Set by the third faulty reply: until the next request nothing is expected, and what the
    // line still sends is dropped unread.
    bool FHalted = false;
    QTimer FStep;
    std::function<void()> FNext;
};
