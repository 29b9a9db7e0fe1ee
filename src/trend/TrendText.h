#pragma once
// Values as the trend and the commissioning report write them: volts in hundredths with the
// panel's unit, a signed margin, a time of day, a signal's zone.
#include "protocol/DetectorState.h"

#include <QString>
#include <cstdint>

class SessionRecord;

QString voltsText(double volts);
QString marginText(double volts);  // "+0.35 B", "-0.10 B"
QString noneText();
QString zoneText(TPosUstMarker signal);
QString timeOfDayText(const SessionRecord& record, std::uint32_t ms);
