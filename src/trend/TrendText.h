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
QString modeText(TRejim mode);

class QDateTime;
// The unit as the files and the list of sessions name it: "ДОРВИК-М100 адрес 7", a
// transmitter by its letter, since it has no address to tell it by.
QString unitText(TIdent ident, std::int32_t address, TLitera letter);
QString sessionUnitText(const SessionRecord& record);
// The name a save dialog offers: pattern's %1 becomes the unit, its address (a transmitter's
// letter, since it has no address) and the time, so that the files of a day's units tell
// themselves apart: "ДОРВИК-М100 адрес 7 2026-12-11 09-30.csv".
QString suggestedFileName(const char* pattern, const TDetectorState& unit, const QDateTime& at);
// Characters no file system of ours takes in a name (Windows refuses the most) become '-';
// Windows also drops dots and spaces at a name's end.
QString safeFileName(QString name);
