#pragma once
// This run's sessions, one per unit identified. An installer sets a transmitter, walks to the
// receiver and plugs it in: each unit gets its own record, and the pair's commissioning record
// draws on both.
#include "trend/SessionRecord.h"

#include <memory>
#include <vector>

class SessionBook {
public:
    SessionBook();

    // Recording goes here; before any unit is found, a session waiting for one.
    const std::shared_ptr<SessionRecord>& current() const { return FSessions.back(); }

    // A unit was identified: the same unit (a lost link found again) goes on in its session,
    // another unit ends it and begins one of its own. True when a new session began.
    bool identified(const SessionUnit& unit);
    // The program closes: the session ends where it stands.
    void endCurrent() { current()->end(); }

    // Oldest first; only sessions that belong to a unit, so size() may be 0.
    std::size_t size() const;
    const std::shared_ptr<SessionRecord>& at(std::size_t i) const;
    // The latest session of a transmitter or a receiver, or null.
    const SessionRecord* latest(bool transmitter) const;

private:
    std::vector<std::shared_ptr<SessionRecord>> FSessions;
};
