#pragma once
// The commissioning record of a pair: what an installer leaves on site and the customer signs.
// The pair's two units, the receiver's settings, how it was aligned, the walk test crossing by
// crossing with its verdict and the threshold it argues for, a chart of the walk test, the
// conditions, signature lines; port and line speed only in a small technical footer.
#include "protocol/DetectorState.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <optional>
#include <vector>

class QPainter;
class QPdfWriter;
class SessionRecord;

// One unit of the pair, as its session knew it.
struct ReportUnit {
    bool present = false;
    QString name, firmware, address, letter;
};

struct ReportFacts {
    QDateTime at;
    QString site, section, installer, conditions;
    QString version;
    // The technical footer.
    QString port, baud, model;
    ReportUnit transmitter, receiver;
    // The receiver's settings as last reported.
    QString threshold, range, mode;
};

// What the record says of the receiver's alignment and walk test: taken from its session, or
// from what the site journal kept of one.
struct RecordSummary {
    struct Crossing {
        QString time, place;
        TValPole peak = 0;
        TPosPorog threshold = 0;
        bool detected = false;
        std::optional<int> delayMs;
    };
    bool aligned = false, stillAligning = false;
    TPosUstMarker alignLast = 0, alignMax = 0;
    QString alignMaxTime;
    std::vector<Crossing> walk;
    double margin = 0.10;  // asked of each crossing, as a share of the threshold
    // Known only to a live session: the journal keeps neither.
    bool restKnown = false;
    TValPole restMedian = 0, restLowest = 0, restHighest = 0;
};
RecordSummary summaryOf(const SessionRecord& receiver);

// The record of one section on pages already begun (the site report's), from the top of a page.
void drawCommissioningRecord(QPainter& painter, QPdfWriter& pdf, const ReportFacts& facts,
                             const RecordSummary* receiver);

// Writes the report to path (replacing it only once all of it is written); on failure the old
// file is left as it was and error says why, in the user's words. receiver is the receiver's
// session (null: none in this run); walkChart the chart of its walk test (null: none).
bool writeCommissioningReport(const QString& path, const ReportFacts& facts, const SessionRecord* receiver,
                              const QImage& walkChart, QString* error);

// Text typed or pasted by a user, fit for a page: control characters become spaces (line
// breaks too, unless kept), runs of spaces one.
QString printableText(const QString& text, bool keepLineBreaks = false);
