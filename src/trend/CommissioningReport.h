#pragma once
// The commissioning report: a page or two of PDF that the installer leaves on site, saying what
// was set on the unit and what the session measured, with a picture of the trend.
#include <QDateTime>
#include <QImage>
#include <QString>

class SessionRecord;

// What the program knows of the unit and the line, as the panel shows it.
struct ReportFacts {
    QDateTime at;
    QString site, installer;
    QString port, baud;
    QString unit, model, firmware;
    QString address, letter, range, threshold, mode;
    bool transmitter = false;
};

// Writes the report to path (replacing it only once all of it is written); on failure the old
// file is left as it was and error says why, in the user's words.
bool writeCommissioningReport(const QString& path, const ReportFacts& facts, const SessionRecord& record,
                              const QImage& trend, QString* error);
