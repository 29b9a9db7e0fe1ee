#include "trend/SessionBook.h"

SessionBook::SessionBook() { FSessions.push_back(std::make_shared<SessionRecord>()); }

bool SessionBook::identified(const SessionUnit& unit)
{
    SessionRecord& now = *current();
    if (now.unit().known && now.unit() == unit)
        return false;
    // Waiting for its unit since the program started: the session begins when the unit is
    // found, not when the program was opened.
    if (!now.unit().known && now.size() == 0)
        FSessions.pop_back();
    else
        now.end();
    FSessions.push_back(std::make_shared<SessionRecord>());
    FSessions.back()->setUnit(unit);
    return true;
}

std::size_t SessionBook::size() const { return current()->unit().known ? FSessions.size() : FSessions.size() - 1; }

const std::shared_ptr<SessionRecord>& SessionBook::at(std::size_t i) const { return FSessions.at(i); }

const SessionRecord* SessionBook::latest(bool transmitter) const
{
    for (auto it = FSessions.rbegin(); it != FSessions.rend(); ++it)
        if ((*it)->unit().known && (*it)->unit().transmitter() == transmitter)
            return it->get();
    return nullptr;
}
