#include "SimulatedDetector.h"

#include "CaptureReplay.h"

#include <chrono>
#include <thread>

#include "protocol/codec.h"
#include "protocol/commands.h"

#include <QHash>
#include <QSocketNotifier>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The longest request is '$', four digit pairs and CR; anything longer without a CR is noise.
constexpr int kMaxRequestLength = 10;
// How often a closed port is checked for the program opening it again.
constexpr int kHangUpPollMs = 20;

// Not a speed the program ever sets (its lowest is 110 bit/s); lineBaud reports it as 0.
constexpr speed_t kRestingSpeed = B50;

constexpr qint32 kSpeedByIndex[] = {4800, 9600, 19200, 38400, 57600, 115200};

bool isSetting(quint8 code)
{
    for (RSerialStruct c : {COM_CF_SETBR, COM_CF_SETREG, COM_CF_SETLIT, COM_CF_SETSKOR,
                            COM_CF_SETADDR, COM_CF_SETPOR, COM_CF_SETID}) {
        if (c.CodCom == code)
            return true;
    }
    return false;
}

qint32 speedOf(speed_t s)
{
    struct Pair { speed_t code; qint32 bps; };
    static const Pair table[] = {
        {B110, 110},     {B300, 300},     {B600, 600},       {B1200, 1200},
        {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    for (const Pair& p : table) {
        if (p.code == s)
            return p.bps;
    }
    return 0;
}

// One kernel watch list per thread for all its units: the per-user number of lists is small
// and shared with every other program of the user.
struct SlaveWatches {
    int fd = -1;
    QHash<int, std::function<void(quint32)>> byWatch;
    ~SlaveWatches()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Hands every event waiting so far to the unit it concerns; an overflow concerns them all.
    void drain()
    {
        if (fd < 0)
            return;
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                if (e->mask & IN_Q_OVERFLOW) {
                    for (const auto& handler : std::as_const(byWatch))
                        handler(IN_CLOSE);
                } else if (const auto it = byWatch.constFind(e->wd); it != byWatch.constEnd()) {
                    const auto handler = it.value();
                    handler(e->mask);
                }
            }
        }
    }
};
thread_local SlaveWatches tSlaveWatches;

QByteArray toBytes(const std::vector<Byte>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

}  // namespace

SimulatedDetector::SimulatedDetector(const SimConfig& config, QObject* parent)
    : QObject(parent), FState(config)
{
    FClock.start();
    FHangUpPoll.setInterval(kHangUpPollMs);
    connect(&FHangUpPoll, &QTimer::timeout, this, &SimulatedDetector::onHangUpPoll);
    FPumpTimer.setSingleShot(true);
    FPumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&FPumpTimer, &QTimer::timeout, this, &SimulatedDetector::pump);
    // Never early: a request judged before its last byte is in would forgive a line changed
    // under it.
    FJudgeTimer.setSingleShot(true);
    FJudgeTimer.setTimerType(Qt::PreciseTimer);
    connect(&FJudgeTimer, &QTimer::timeout, this, &SimulatedDetector::judgeDue);
}

SimulatedDetector::~SimulatedDetector() { closeMaster(); }

bool SimulatedDetector::open()
{
    if (FMaster >= 0)
        return true;
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    char name[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return false;
    }
    // A unit echoes nothing and translates nothing. The line rests at a speed no program
    // uses: a serial port puts back what it found when it closes, so the resting speed read
    // while bytes arrive means the program is closing, not that it sent them at that speed.
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, kRestingSpeed);
        ::cfsetospeed(&t, kRestingSpeed);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    FMaster = fd;
    FSlavePath = QString::fromLocal8Bit(name);
    FReadNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Read, this);
    connect(FReadNotifier, &QSocketNotifier::activated, this, &SimulatedDetector::onReadable);
    watchSlave();
    return true;
}

void SimulatedDetector::watchSlave()
{
    SlaveWatches& w = tSlaveWatches;
    if (w.fd < 0)
        w.fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // Without the kernel's record only the closes this side happens to see while the port is
    // closed count, and speed changes it happens to read: still strict, but less sure.
    if (w.fd < 0)
        return;
    FWatch = ::inotify_add_watch(w.fd, FSlavePath.toLocal8Bit().constData(),
                                 IN_MODIFY | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    if (FWatch >= 0)
        w.byWatch.insert(FWatch, [this](quint32 mask) { onLineEvent(mask); });
}

void SimulatedDetector::unwatchSlave()
{
    if (FWatch < 0)
        return;
    SlaveWatches& w = tSlaveWatches;
    // Events already queued for this slave must not reach a unit that reuses its number.
    w.drain();
    w.byWatch.remove(FWatch);
    ::inotify_rm_watch(w.fd, FWatch);
    FWatch = -1;
}

void SimulatedDetector::onLineEvent(quint32 mask)
{
    if (mask & IN_MODIFY) {
        // As with bytes read: a speed change seen with a write came before it. A write whose
        // bytes were read before its event came has been dated already.
        observeLine();
        int pending = 0;
        const bool unread = FMaster >= 0 && ::ioctl(FMaster, FIONREAD, &pending) == 0 && pending > 0;
        if (unread && !FUnreadWrite) {
            FUnreadWriteGeneration = FLineGeneration;
            FUnreadWrite = true;
        }
    }
    if (mask & IN_CLOSE)
        ++FLineGeneration;
}

void SimulatedDetector::readLineEvents() { tSlaveWatches.drain(); }

void SimulatedDetector::observeLine()
{
    // The speed the program uses, 0 while it has no port open or has put the line back to rest.
    const qint32 now = programHasPortOpen() ? lineBaud() : 0;
    if (now != FSeenBaud) {
        ++FLineGeneration;
        FSeenBaud = now;
    }
    if (now != 0)
        FLastOpenBaud = now;
}

QString SimulatedDetector::slavePath() const { return FSlavePath; }

SimConfig& SimulatedDetector::state() { return FState; }

QList<SimRequest> SimulatedDetector::requests() const { return FRequests; }

void SimulatedDetector::clearRequests() { FRequests.clear(); }

void SimulatedDetector::setSilent(bool silent)
{
    FSilent = silent;
    if (silent)
        dropQueuedReplies();
}

void SimulatedDetector::vanish()
{
    dropQueuedReplies();
    closeMaster();
}

void SimulatedDetector::powerCycle()
{
    // What the unit decided before the cut it has done: an acknowledged address is stored.
    dropQueuedReplies();
    FIncoming.clear();
    FJudgeTimer.stop();
    FFrame.clear();
    if (FMaster >= 0)
        ::tcflush(FMaster, TCIFLUSH);
    FState.baud = 4800;
}

void SimulatedDetector::corruptNext(int kind) { FCorruptNext = kind; }

void SimulatedDetector::setChunking(int chunkSize, int gapMs)
{
    FChunkSize = qMax(0, chunkSize);
    FChunkGapMs = qMax(0, gapMs);
}

qint32 SimulatedDetector::lineBaud() const
{
    // On Linux the master reports the slave's settings, which is the program's side.
    termios t{};
    if (FMaster < 0 || ::tcgetattr(FMaster, &t) != 0)
        return 0;
    return speedOf(::cfgetospeed(&t));
}

void SimulatedDetector::injectNoise(const QByteArray& bytes)
{
    if (FMaster < 0 || bytes.isEmpty())
        return;
    Outgoing item;
    item.bytes = bytes;
    item.readyAtNs = FClock.nsecsElapsed();
    enqueue(std::move(item));
}

void SimulatedDetector::onReadable()
{
    if (FMaster < 0)
        return;
    char buf[512];
    for (;;) {
        // A change of speed seen together with new bytes is taken to have come first: a
        // program sets its speed and then writes. Closes and writes the kernel has put in
        // order; the bytes belong to the oldest write not read yet.
        observeLine();
        readLineEvents();
        const ssize_t n = ::read(FMaster, buf, sizeof buf);
        if (n > 0) {
            Arrival arrival;
            arrival.atNs = FClock.nsecsElapsed();
            arrival.lineGeneration = FUnreadWrite ? FUnreadWriteGeneration : FLineGeneration;
            FUnreadWrite = false;
            // Bytes that arrive once the program has let go of the line (closed it, or put
            // back the settings it found) went out while it was letting go.
            arrival.lineInUse = FSeenBaud != 0;
            arrival.baud = FLastOpenBaud;
            // Whoever listens to requestReceived may unplug the unit in the middle of a block.
            for (ssize_t i = 0; i < n && FMaster >= 0; ++i)
                takeByte(buf[i], arrival);
            if (FMaster < 0)
                return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EIO: the program has closed the port. The master keeps reporting that until the
        // port is opened again, so stop listening and look back now and then.
        FFrame.clear();
        dropQueuedReplies();
        FReadNotifier->setEnabled(false);
        FHangUpPoll.start();
        emit portClosed();
        return;
    }
}

void SimulatedDetector::onHangUpPoll()
{
    if (FMaster < 0 || !programHasPortOpen())
        return;
    FHangUpPoll.stop();
    FReadNotifier->setEnabled(true);
    onReadable();
}

bool SimulatedDetector::programHasPortOpen() const
{
    pollfd p{FMaster, POLLIN, 0};
    return FMaster >= 0 && ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

void SimulatedDetector::takeByte(char byte, const Arrival& arrival)
{
    // A '$' always starts a request: whatever came before it was noise or a broken frame.
    if (byte == char(frame::kRequestStart)) {
        FFrame = QByteArray(1, byte);
        FFrameArrival = arrival;
        return;
    }
    if (FFrame.isEmpty())
        return;
    FFrame.append(byte);
    if (byte == char(frame::kEnd)) {
        const QByteArray raw = FFrame;
        FFrame.clear();
        holdFrame(raw);
    } else if (FFrame.size() >= kMaxRequestLength) {
        FFrame.clear();
    }
}

void SimulatedDetector::holdFrame(const QByteArray& raw)
{
    // A pseudo-terminal hands over a request at once; on a cable its last byte is in only
    // after 10 bits a byte at its speed, counted from its first one. The unit judges it then,
    // so a program that closes or re-times its line sooner garbles its own tail.
    const Arrival& a = FFrameArrival;
    Incoming in;
    in.request.raw = raw;
    in.request.baud = a.baud;
    in.request.atMs = a.atNs / 1000000;
    in.request.garbled = !a.lineInUse;
    in.lineGeneration = a.lineGeneration;
    const qint32 wireBaud = a.baud > 0 ? a.baud : FState.baud;
    in.dueNs = a.atNs + qint64(raw.size()) * 10 * 1000000000 / wireBaud;
    FIncoming.append(std::move(in));
    if (!FJudgeTimer.isActive())
        judgeDue();
}

void SimulatedDetector::judgeDue()
{
    if (FIncoming.isEmpty())
        return;
    // The line as it is now, and whatever happened to it since the request began.
    observeLine();
    readLineEvents();
    while (!FIncoming.isEmpty()) {
        const qint64 now = FClock.nsecsElapsed();
        const qint64 due = FIncoming.first().dueNs;
        if (now < due) {
            // Timers tick in whole milliseconds, longer than a request takes at 57600 bit/s:
            // the last stretch is waited here, and the line looked at again after it.
            if (due - now <= 1500000) {
                std::this_thread::sleep_for(std::chrono::nanoseconds(due - now));
                observeLine();
                readLineEvents();
                continue;
            }
            FJudgeTimer.start(int((due - now - 1000000) / 1000000));
            return;
        }
        Incoming in = FIncoming.takeFirst();
        if (in.lineGeneration != FLineGeneration)
            in.request.garbled = true;
        handleFrame(in.request);
        if (FMaster < 0)
            return;
    }
}

void SimulatedDetector::setReplay(std::shared_ptr<CaptureReplay> replay) { FReplay = std::move(replay); }

void SimulatedDetector::replay(SimRequest request)
{
    QList<CaptureReplay::Piece> pieces;
    // Whatever the bytes, a request heard whole at the recorded speed gets the recorded reply.
    request.answered = !FSilent && !request.garbled && FMaster >= 0 && FReplay->answer(request.raw, request.baud, &pieces);
    FRequests.append(request);
    emit requestReceived(request);
    if (!request.answered)
        return;
    // The recorded times count from when the program began to write the request; here its
    // last byte has just come in.
    const qint64 now = FClock.nsecsElapsed();
    const qint64 wireNs = qint64(request.raw.size()) * 10 * 1000000000 / qMax<qint32>(1, request.baud);
    const bool last = FReplay->atEnd();
    for (int i = 0; i < pieces.size(); ++i) {
        Outgoing item;
        item.bytes = pieces[i].second;
        item.isReply = true;
        item.readyAtNs = now + qMax<qint64>(0, pieces[i].first * 1000000 - wireNs);
        if (last && i == pieces.size() - 1)
            item.after = [this] { emit replayEnded(); };
        enqueue(std::move(item));
    }
    if (last && pieces.isEmpty())
        emit replayEnded();
}

void SimulatedDetector::handleFrame(SimRequest request)
{
    if (FReplay)
        return replay(std::move(request));
    const QByteArray& raw = request.raw;
    std::vector<Byte> payload;
    const auto* bytes = reinterpret_cast<const Byte*>(raw.constData());
    const bool digitsOk = (raw.size() == 8 || raw.size() == 10)
                          && frame::decodeDigits(bytes, int(raw.size()), payload);
    bool wellFormed = false;
    if (digitsOk) {
        request.addr = payload[0];
        request.code = payload[1];
        if (payload.size() == 4)
            request.param = payload[2];
        RSerialStruct command{};
        wellFormed = GetCRCByte(payload.data(), int(payload.size()) - 1) == payload.back()
                     && findCommand(request.code, command)
                     && isSetting(request.code) == (payload.size() == 4);
    }
    // A request sent at another speed than the unit's reaches it as garbage. Address 0 reaches
    // any unit, whatever its own address.
    request.answered = FState.kind != SimConfig::Empty && !FSilent && wellFormed
                       && !request.garbled && (request.addr == FState.address || request.addr == 0)
                       && request.baud == FState.baud;
    FRequests.append(request);
    emit requestReceived(request);
    if (!request.answered || FMaster < 0 || FSilent)
        return;

    QByteArray data;
    std::function<void()> after;
    // A unit that refuses a request leaves everything as it was.
    const SimConfig before = FState;
    const bool accepted = buildReply(request, data, after);
    if (FCorruptNext == Refusal) {
        FState = before;
        after = nullptr;
    }
    std::vector<Byte> reply{request.code};
    reply.insert(reply.end(), data.begin(), data.end());
    QByteArray frameBytes = toBytes(frame::encode(frame::kReplyOk, reply));
    if (!accepted)
        frameBytes[0] = char(frame::kReplyRefused);
    if (FCorruptNext != NoCorruption) {
        frameBytes = corrupt(frameBytes, FCorruptNext);
        FCorruptNext = NoCorruption;
    }

    Outgoing item;
    item.bytes = frameBytes;
    item.isReply = true;
    item.readyAtNs = FClock.nsecsElapsed() + qint64(FState.processingDelayMs) * 1000000;
    item.after = std::move(after);
    enqueue(std::move(item));
}

bool SimulatedDetector::buildReply(const SimRequest& request, QByteArray& data,
                                   std::function<void()>& after)
{
    SimConfig& s = FState;
    const int par = request.param;
    auto one = [&data](quint8 b) { data = QByteArray(1, char(b)); };
    switch (request.code) {
    case COM_CF_REQSTATE.CodCom:
        data = QByteArray(4, '\0');
        data[0] = char(s.stateByte);
        return true;
    case COM_CF_REQVERS.CodCom:
        data.append(char(s.version[0])).append(char(s.version[1]));
        return true;
    case COM_CF_REQID.CodCom:
        data.append(char(s.kind == SimConfig::Transmitter ? 0x20 : s.model)).append(char(s.address));
        return true;
    case COM_CF_REQSTNASTR.CodCom: one(s.alarm ? 1 : 0); return true;
    case COM_CF_REQSIGNAL.CodCom: one(s.signal); return true;
    case COM_CF_REQSIGPOR.CodCom: one(s.field); return true;
    case COM_CF_REQPOR.CodCom: one(s.threshold); return true;
    case COM_CF_REQLIT.CodCom: one(s.letterIndex); return true;
    case COM_CF_REQREJ.CodCom: one(s.mode); return true;
    case COM_CF_REQSKOR.CodCom: one(s.speedIndex); return true;
    case COM_CF_SETBR.CodCom:
        one(quint8(par));
        if (par > 5)
            return false;
        // The new speed holds from the end of this reply, which still goes out at the old one.
        if (!s.ignoreSetBr)
            after = [this, par] { FState.baud = kSpeedByIndex[par]; };
        return true;
    case COM_CF_SETADDR.CodCom:
        one(quint8(par));
        after = [this, par] { FState.address = quint8(par); };
        return true;
    }
    // The short-acknowledged settings; a value the unit cannot take is refused and changes nothing.
    switch (request.code) {
    case COM_CF_SETREG.CodCom:
        if (par > 1)
            return false;
        s.mode = quint8(par);
        return true;
    case COM_CF_SETLIT.CodCom:
        if (par > 7)
            return false;
        s.letterIndex = quint8(par);
        return true;
    case COM_CF_SETSKOR.CodCom:
        if (par > 2)
            return false;
        s.speedIndex = quint8(par);
        return true;
    case COM_CF_SETPOR.CodCom:
        if (par > 15)
            return false;
        s.threshold = quint8(par);
        return true;
    case COM_CF_SETID.CodCom:
        if (s.kind != SimConfig::Receiver || (par != 21 && par != 22 && par != 23 && par != 31))
            return false;
        s.model = quint8(par);
        return true;
    }
    return false;
}

QByteArray SimulatedDetector::corrupt(QByteArray reply, int kind) const
{
    const qsizetype last = reply.size() - 1;
    switch (kind) {
    case BadStatusByte:
        reply[0] = '#';
        break;
    case WrongTerminator:
        reply[last] = '\n';
        break;
    case Refusal:
        reply[0] = char(frame::kReplyRefused);
        break;
    case BadChecksum: {
        Byte code = 0;
        const Byte sum = ascii_2_hex({Byte(reply[last - 1]), Byte(reply[last - 2])}, code);
        const auto pair = hex_2_ascii(Byte(sum + 1));
        reply[last - 2] = char(pair[1]);
        reply[last - 1] = char(pair[0]);
        break;
    }
    case LowerCaseDigit: {
        // Prefer a letter digit so that only its case is wrong; a frame of plain digits gets one.
        qsizetype at = last - 1;
        for (qsizetype i = 1; i < last; ++i) {
            if (reply[i] >= 'A' && reply[i] <= 'F') {
                at = i;
                break;
            }
        }
        reply[at] = reply[at] >= 'A' ? char(reply[at] - 'A' + 'a') : 'a';
        break;
    }
    case Truncated:
        reply.chop(2);
        break;
    }
    return reply;
}

void SimulatedDetector::enqueue(Outgoing item)
{
    FQueue.append(std::move(item));
    if (FQueue.size() == 1)
        pump();
}

void SimulatedDetector::pump()
{
    while (!FQueue.isEmpty()) {
        Outgoing& head = FQueue.first();
        const qint64 now = FClock.nsecsElapsed();
        // Timers tick in whole milliseconds, too coarse for a byte at 115200 bit/s: wait the
        // last stretch here so that the pace (and every throughput figure) stays true.
        auto waitUntil = [this, now](qint64 ns) {
            const qint64 left = ns - now;
            if (left <= 1500000) {
                std::this_thread::sleep_for(std::chrono::nanoseconds(left));
                return true;
            }
            FPumpTimer.start(int((left - 1000000) / 1000000));
            return false;
        };
        if (now < head.readyAtNs) {
            if (waitUntil(head.readyAtNs))
                continue;
            return;
        }
        // Nobody is listening: what a unit sends now is lost, and must not reach whoever
        // opens the port next.
        if (FMaster < 0 || !programHasPortOpen()) {
            Outgoing done = FQueue.takeFirst();
            FSentOfHead = 0;
            if (done.after)
                done.after();
            continue;
        }
        if (head.startNs < 0)
            head.startNs = now;

        const qsizetype remaining = head.bytes.size() - FSentOfHead;
        const qint64 byteNs = FState.paceAtLineRate && FState.baud > 0
                                  ? qint64(10) * 1000000000 / FState.baud : 0;
        qsizetype n = remaining;
        if (FChunkSize > 0) {
            n = qMin<qsizetype>(FChunkSize, remaining);
            const qint64 dueNs = head.startNs + (FSentOfHead + n) * byteNs;
            if (byteNs > 0 && now < dueNs) {
                if (waitUntil(dueNs))
                    continue;
                return;
            }
        } else if (byteNs > 0) {
            const qsizetype due = qMin<qsizetype>(remaining + FSentOfHead, (now - head.startNs) / byteNs);
            if (due <= FSentOfHead) {
                if (waitUntil(head.startNs + (FSentOfHead + 1) * byteNs))
                    continue;
                return;
            }
            n = due - FSentOfHead;
        }

        const ssize_t written = ::write(FMaster, head.bytes.constData() + FSentOfHead, size_t(n));
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                FPumpTimer.start(5);
                return;
            }
            // The line is gone; treat the rest as lost.
            FSentOfHead = int(head.bytes.size());
        } else {
            FSentOfHead += int(written);
        }

        if (FSentOfHead < head.bytes.size()) {
            if (FChunkSize > 0 && written == n) {
                const qint64 gapNs = qint64(FChunkGapMs) * 1000000;
                head.readyAtNs = now + gapNs;
                head.startNs += gapNs;  // pacing resumes after the gap
            }
            continue;
        }
        Outgoing done = FQueue.takeFirst();
        FSentOfHead = 0;
        if (done.isReply)
            emit replySent(done.bytes);
        if (done.after)
            done.after();
    }
}

void SimulatedDetector::dropQueuedReplies()
{
    FPumpTimer.stop();
    const QList<Outgoing> dropped = std::exchange(FQueue, {});
    FSentOfHead = 0;
    // What was decided still happens: a unit that acknowledged a new speed switches to it
    // whether or not the acknowledgement reached anyone.
    for (const Outgoing& item : dropped) {
        if (item.after)
            item.after();
    }
}

void SimulatedDetector::closeMaster()
{
    FHangUpPoll.stop();
    FPumpTimer.stop();
    FJudgeTimer.stop();
    FIncoming.clear();
    unwatchSlave();
    if (FReadNotifier) {
        // May be running inside the notifier's own signal.
        FReadNotifier->setEnabled(false);
        FReadNotifier->deleteLater();
        FReadNotifier = nullptr;
    }
    if (FMaster >= 0)
        ::close(FMaster);
    FMaster = -1;
}
