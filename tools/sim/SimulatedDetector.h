#pragma once
// A detector on the far side of a pseudo-terminal: the program opens the slave as its serial
// port and cannot tell it from a unit on a USB-serial cable. Everything runs on the Qt event
// loop of the thread that owns the object, so several units can share one process.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CaptureReplay;

class QSocketNotifier;

struct SimRequest {            // one request frame as the simulator saw it on the wire
    QByteArray raw;            // the bytes, '$' .. CR
    quint8 addr = 0, code = 0;
    int param = -1;            // the parameter byte of a setting, -1 for a query
    qint32 baud = 0;           // the speed its bytes left at (the program side's termios when read)
    bool answered = false;
    // The program closed or re-timed its line before the last byte was out: the unit heard noise.
    bool garbled = false;
    qint64 atMs = 0;           // ms since the simulator started, when its first byte was seen
};
Q_DECLARE_METATYPE(SimRequest)

struct SimConfig {
    enum Kind { Receiver, Transmitter, Empty } kind = Receiver;
    quint8 model = 21;         // receiver identifier 21/22/23/31 (a transmitter answers 0x20)
    quint8 address = 0;
    quint8 mode = 0;           // 0 duty, 1 alignment, 2 power-on
    quint8 letterIndex = 0;    // 0..7 (letter - 1)
    quint8 speedIndex = 0;     // crossing-speed range 0..2
    quint8 threshold = 15;     // 0..15
    quint8 signal = 80;        // alignment signal 0..153
    quint8 field = 20;         // field value 0..154
    bool alarm = false;
    quint8 stateByte = 0;      // bit0 relay open, bit1 supply low, bit4 lid open
    quint8 version[2] = {1, 5};
    qint32 baud = 4800;        // the unit's own line speed; COM_CF_SETBR changes it after acknowledging
    bool paceAtLineRate = false; // send replies byte-paced at 10 bits per byte of the unit's speed
    int processingDelayMs = 0; // delay before answering
    bool ignoreSetBr = false;  // acknowledge COM_CF_SETBR but keep the old speed
};

class SimulatedDetector : public QObject {
    Q_OBJECT
public:
    // Faults corruptNext puts into one reply.
    enum Corruption {
        NoCorruption = 0,
        BadStatusByte = 1,
        WrongTerminator = 2,
        Refusal = 3,
        BadChecksum = 4,
        LowerCaseDigit = 5,
        Truncated = 6,
    };

    explicit SimulatedDetector(const SimConfig& config = {}, QObject* parent = nullptr);
    ~SimulatedDetector() override;
    bool open();                       // opens the pty (raw, no echo); false on failure
    QString slavePath() const;         // e.g. /dev/pts/7
    SimConfig& state();                // live state: tests change it between polls
    QList<SimRequest> requests() const;
    void clearRequests();
    // Answers nothing (and reads/discards requests) while silent; replies not yet on the
    // wire are lost, as with a unit that loses power.
    void setSilent(bool silent);
    void vanish();                     // closes its side: the program sees the device go away
    // Power off and on: back at 4800 bit/s, whatever was on its way in or out is lost; the
    // settings (address, letter, mode, ...) are kept as the unit keeps them through a power cut.
    void powerCycle();
    // One reply gets the fault; called from a requestReceived slot it hits that request's reply.
    void corruptNext(int kind);        // 1 bad status byte, 2 wrong terminator, 3 '?' refusal, 4 bad checksum,
                                       // 5 lower-case digit, 6 truncated (fewer bytes than expected)
    void setChunking(int chunkSize, int gapMs); // split replies into chunks with gaps (0 = off)
    // Plays a capture instead of answering from the state: see CaptureReplay.
    void setReplay(std::shared_ptr<CaptureReplay> replay);

    bool isOpen() const { return FMaster >= 0; }
    bool isSilent() const { return FSilent; }
    // The speed the program's side has set on the line, in bit/s; 0 while no program has
    // the port open with a speed of its own.
    qint32 lineBaud() const;
    qint64 elapsedMs() const { return FClock.elapsed(); }
    // Stray bytes on the line, sent after any reply that is on its way.
    void injectNoise(const QByteArray& bytes);

signals:
    void requestReceived(const SimRequest& request);
    void replySent(const QByteArray& bytes);
    // The program has closed its port; whatever the unit still had to say is lost.
    void portClosed();
    // A played capture's last exchange has been answered, its reply is on the wire.
    void replayEnded();

private:
    // A complete request still coming down the wire: judged once its last byte is in.
    struct Incoming {
        SimRequest request;
        qint64 dueNs = 0;              // first byte seen + 10 bits a byte at its speed
        quint64 lineGeneration = 0;    // the line as it was when the request was written
    };
    struct Outgoing {
        QByteArray bytes;
        qint64 readyAtNs = 0;
        qint64 startNs = -1;           // when it began to go out; paced bytes count from here
        bool isReply = false;
        std::function<void()> after;   // runs once the bytes are on the wire (or lost)
    };

    void onReadable();
    void onHangUpPoll();
    // How a batch of bytes came in: the speed they left at, when they were read, and the line
    // they were written on (not in use: the program had let go of it before they were read).
    struct Arrival {
        qint32 baud = 0;
        qint64 atNs = 0;
        quint64 lineGeneration = 0;
        bool lineInUse = true;
    };
    void takeByte(char byte, const Arrival& arrival);
    void holdFrame(const QByteArray& raw);
    void onLineEvent(quint32 mask);
    void judgeDue();
    void handleFrame(SimRequest request);
    void observeLine();
    void readLineEvents();
    void watchSlave();
    void unwatchSlave();
    bool buildReply(const SimRequest& request, QByteArray& data, std::function<void()>& after);
    QByteArray corrupt(QByteArray reply, int kind) const;
    void enqueue(Outgoing item);
    void pump();
    bool programHasPortOpen() const;
    void dropQueuedReplies();
    void closeMaster();

    SimConfig FState;
    int FMaster = -1;
    QString FSlavePath;
    QSocketNotifier* FReadNotifier = nullptr;
    QTimer FHangUpPoll;                // watches for the program to open the port again
    QElapsedTimer FClock;
    qint32 FLastOpenBaud = 0;          // the program's speed when last seen in use
    QByteArray FFrame;                 // the request being assembled, from its '$'
    Arrival FFrameArrival;             // how its '$' came in
    QList<Incoming> FIncoming;
    QTimer FJudgeTimer;
    // Every close of the program's port and every change of its speed moves the line on by
    // one; a request whose line moved on before its last byte was out was garbled.
    quint64 FLineGeneration = 0;
    qint32 FSeenBaud = 0;              // the program's speed at the last look, 0 when closed
    // The kernel's own record of the program's opens, writes and closes on the slave, in
    // order: it tells a close that came after a write from one that came before it, however
    // late this side gets to look.
    int FWatch = -1;
    bool FUnreadWrite = false;         // a write not yet matched by a read of its bytes
    quint64 FUnreadWriteGeneration = 0;
    QList<SimRequest> FRequests;
    bool FSilent = false;
    std::shared_ptr<CaptureReplay> FReplay;
    void replay(SimRequest request);
    int FCorruptNext = NoCorruption;
    int FChunkSize = 0;
    int FChunkGapMs = 0;
    QList<Outgoing> FQueue;
    int FSentOfHead = 0;
    QTimer FPumpTimer;
};
