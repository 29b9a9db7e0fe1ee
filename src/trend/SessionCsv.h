#pragma once
// The session record as a CSV file that spreadsheets and scripts read: UTF-8, a header row,
// commas between the fields and a dot in the numbers, one row per poll.
#include <QString>

class SessionRecord;

// Writes the whole record to path, replacing the file only once all of it is written; on
// failure the old file is left as it was and error says why, in the user's words.
bool writeSessionCsv(const SessionRecord& record, const QString& path, QString* error);
