// The exchange from bytes on the line to what the window would show, without a window: a link and
// a recording view, on a clock that moves only when the input says so. Nothing here waits.
//
// Input: one byte for where the exchange stands, then events until the input ends.
//   byte 0, bits 0-1  0 searching (the identification series just asked), 1 polling a receiver,
//                     2 polling a transmitter, 3 polling a unit whose code the next byte gives
//           bits 2-3  the mode the window holds: dej, ust, vklpit, or 3 (one no detector reports)
//           bit 4     settings pending: a mask byte follows (bit k raises setting k, in the order
//                     of kSettings) and then one value byte per raised setting
//   0x00-0x7F  (e & 0x7F) + 1 bytes arrive from the line in one chunk
//   0x80-0xBF  ((e & 0x3F) + 1) * 50 ms pass: the reply time-out and the speed switch's steps
//              fire as they fall due, one at a time
//   0xC0-0xFF  the user: e & 7 below 6 sets setting e & 7 to the next byte, 6 presses search,
//              7 does nothing
#include "RecordingView.h"
#include "VirtualTime.h"

#include "connection/ReplyTimer.h"
#include "protocol/commands.h"

#include <QCoreApplication>

#include <cstdlib>
#include <cstdio>

namespace {

VirtualTime* virtualTime = nullptr;
// DORVIK_FUZZ_TRACE=1 with an input file: what the exchange sent and showed, step by step, for
// reading a crash.
bool trace = false;

constexpr TRequestFlag TDispObmen::*kSettings[] = {
    &TDispObmen::FlagSetRegUst, &TDispObmen::FlagSetRegDej, &TDispObmen::FlagSetLiter,
    &TDispObmen::FlagSetSkor,   &TDispObmen::FlagSetAddress, &TDispObmen::FlagSetPorog};
constexpr int kSettingCount = int(sizeof kSettings / sizeof kSettings[0]);

// Far more than the exchange's own timers can fire in the longest pause of the input: more
// means a timer that fires without time passing, which would spin the real program.
constexpr int kMaxFiresPerPause = 100;

void fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

struct Exchange {
    LinkFixture f;
    TDispObmen& d = f.link.dispatcher;
    int framesChecked = 0;

    Exchange()
    {
        f.view.keepCalls = trace;
        // The speed switch reopens the line. A name too long for the port's lock file makes that
        // fail at once: no device is opened and no lock file written (its flush to disk alone
        // took milliseconds, more than a whole input).
        static const QString noPort = QStringLiteral("/nonexistent/") + QString(300, QLatin1Char('x'));
        f.link.COMP->SetComPortName(noPort);
        QObject::connect(&f.link, &DetectorLink::replyTimeout, &f.link, [this] { missedReply(); });
        // As the window does: after the box, on from the event loop, never inside the chunk.
        QObject::connect(&f.link, &DetectorLink::receiveFailed, &f.link, [this] { missedReply(); },
                         Qt::QueuedConnection);
    }

    // The window after a missed reply or the receive-error box: it closes the port and asks
    // again, on the next port with the series where it stood, or, when polling had been
    // running, with a fresh search once its countdown ends. Its pauses in between (the port
    // closed, so nothing can arrive) are left out, and the list of ports never runs out.
    void missedReply()
    {
        f.link.stop();
        if (!d.FlagScanPorts)
            startSearch();
        else
            d.proc_cf_req(addr_obmen, d.current());
    }

    void startSearch()
    {
        d.Init();
        d.FlagScanPorts = true;
        f.link.SetReplyInterval(1000);
        d.proc_cf_req(addr_obmen, d.current());
    }

    void startPolling(TIdent ident)
    {
        f.view.state.FIdent = ident;
        d.Init();
        f.link.SetReplyInterval(2000);
        d.StartNeprObmen();
    }

    // The window offers the settings only while it polls, and not during the speed switch.
    bool settingsOffered() const { return d.VidObmen() == permanent && !f.link.switching(); }
    // The search button is on the panel that polling (and the switch before it) hides.
    bool searchOffered() const { return d.VidObmen() != permanent && !f.link.switching(); }

    // After each step: a chunk handled, one timer fired or one click, with what the window
    // would then run from its event loop.
    void check()
    {
        QCoreApplication::sendPostedEvents();
        if (trace)
            report();
        if (f.link.receiver.CountRe() > TReceiver::kCapacity)
            fail("receive buffer beyond its capacity");
        if (d.Seria.CountSe() > 0 && d.SerialIndex() >= d.Seria.CountSe())
            fail("series position past the series");
        // One reply (or one time-out, or one click) starts at most one request; a second would
        // reset the receiver under the first one's answer.
        if (f.link.framesSent - framesChecked > 1)
            fail("more than one request for one step");
        framesChecked = f.link.framesSent;
        const TDetectorState& s = f.view.state;
        if (s.FIdent < -1 || s.FIdent > 255 || s.FAddr < 0 || s.FAddr > 255)
            fail("a shown value no reply byte can carry");
        // Searching or polling, something must be due, or the exchange has silently stopped.
        const bool running = d.FlagScanPorts || d.VidObmen() == permanent;
        if (running && !f.link.tiTimeWaitRepl->isEnabled() && !f.link.switching())
            fail("exchange stalled: no reply awaited and no step pending");
    }

    void report()
    {
        for (const QString& call : f.view.calls)
            std::fprintf(stderr, "  %6lld ms  view  %s\n", virtualTime->now(), qPrintable(call));
        f.view.calls.clear();
        if (f.link.framesSent != framesChecked && !f.link.lastFrame.empty())
            std::fprintf(stderr, "  %6lld ms  sent  %.*s (%d)\n", virtualTime->now(),
                         int(f.link.lastFrame.size() - 1), reinterpret_cast<const char*>(f.link.lastFrame.data()),
                         f.link.framesSent - framesChecked);
    }

    void pause(qint64 ms)
    {
        const qint64 until = virtualTime->now() + ms;
        for (int fired = 0; virtualTime->fireNext(until); ++fired) {
            if (fired == kMaxFiresPerPause)
                fail("timers firing without time passing");
            check();
        }
        virtualTime->advanceTo(until);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Only QtCore's loop is involved: the link owns no widget and opens no window.
    trace = qEnvironmentVariableIntValue("DORVIK_FUZZ_TRACE") != 0;
    virtualTime = VirtualTime::install();
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    size_t i = 0;
    const auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
    {
        Exchange x;
        const std::uint8_t where = next();
        x.f.view.state.FRejim = TRejim(where >> 2 & 3);
        switch (where & 3) {
        case 0: x.startSearch(); break;
        case 1: x.startPolling(0); break;
        case 2: x.startPolling(IDENT_PERED); break;
        default: x.startPolling(next()); break;
        }
        if (where & 0x10) {
            const std::uint8_t mask = next();
            for (int k = 0; k < kSettingCount; ++k)
                if (mask >> k & 1)
                    (x.d.*kSettings[k]).raise(next());
        }
        x.check();

        while (i < size) {
            const std::uint8_t e = next();
            if (e < 0x80) {
                const size_t n = std::min<size_t>(size_t(e) + 1, size - i);
                if (n == 0)
                    break;
                x.f.link.COMPReceiveData(x.f.link.COMP, data + i, int(n));
                i += n;
                x.check();
            } else if (e < 0xC0) {
                x.pause(qint64((e & 0x3F) + 1) * 50);
            } else if ((e & 7) < kSettingCount) {
                const std::uint8_t value = next();
                if (x.settingsOffered())
                    (x.d.*kSettings[e & 7]).raise(value);
            } else if ((e & 7) == 6 && x.searchOffered()) {
                x.f.link.stop();
                x.startSearch();
                x.check();
            }
        }
    }
    // The link's timers go with it; one left behind would fire into a later input.
    if (!virtualTime->rewind())
        fail("a timer outlived the exchange");
    return 0;
}
