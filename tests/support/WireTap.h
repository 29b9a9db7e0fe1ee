#pragma once
#include "RequestLog.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"

#include <QStringList>
#include <QTest>
#include <initializer_list>

// The unit's end of the line while a test turns the dispatcher by hand, one reply at a time:
// a silent simulated unit hears every request and answers none, so nothing moves but what the
// test moves, and the test sees what reached the wire rather than the dispatcher's flags.
class WireTap {
public:
    explicit WireTap(DetectorLink* link) : FLink(link) {}
    ~WireTap()
    {
        FLink->StopReplyTimer();
        FLink->COMP->Disconnect();
    }

    // Opens the unit's side and puts the program's port on it, at the search speed.
    bool open()
    {
        if (!FUnit.open())
            return false;
        FUnit.setSilent(true);
        FLink->COMP->SetComPortName(FUnit.slavePath());
        return FLink->COMP->Connect();
    }

    // Polling as after a search, for the window's unit and mode. Settings asked for before
    // go out first, so that the test starts from a line that only queries.
    void startPolling()
    {
        FLink->dispatcher.StartNeprObmen();
        awaitRequest();
        settingsUntilQuery();
    }

    // The unit's reply to the last request came whole and valid: the dispatcher decodes it
    // (the payload: command code, then data bytes; none for a reply that sets nothing) and
    // sends its next request, returned as the unit heard it. A request that never came has
    // code 0.
    SimRequest next(std::initializer_list<int> reply = {})
    {
        FLink->receiver.ClearRe();
        for (int b : reply)
            FLink->receiver.AddRe(Byte(b));
        FLink->dispatcher.Execute();
        return awaitRequest();
    }

    // Turns the dispatcher until it queries again; returns the settings it sent on the way,
    // in order, as setting() writes them.
    QStringList settingsUntilQuery()
    {
        QStringList sent;
        for (SimRequest r = next(); r.param >= 0 && sent.size() < 8; r = next())
            sent << setting(r);
        return sent;
    }

private:
    SimRequest awaitRequest()
    {
        // No reply is coming; the test answers in the unit's place whenever it likes.
        FLink->StopReplyTimer();
        const int before = FSeen;
        if (!QTest::qWaitFor([&] { return FUnit.requests().size() > before; }, 5000))
            return {};
        return FUnit.requests().at(FSeen++);
    }

    DetectorLink* FLink;
    SimulatedDetector FUnit;
    int FSeen = 0;
};
