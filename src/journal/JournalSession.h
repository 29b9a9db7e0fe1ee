#pragma once
// What the site journal keeps of one session and what its overview shows of one section: plain
// values, so that the storage knows nothing of the record they are taken from.
#include <QMetaType>
#include <QString>
#include <QVector>
#include <optional>

struct JournalWalkRow {
    qint64 atMs = 0;  // the crossing's peak, ms since the epoch
    QString place;
    int peak = 0;       // the field at the peak, in the wire's units
    int threshold = 0;  // the threshold in force then, in the wire's units
    double marginVolts = 0;
    bool detected = false;
    std::optional<int> delayMs;  // from the field over the threshold to the unit's alarm

    bool operator==(const JournalWalkRow& o) const
    {
        return atMs == o.atMs && place == o.place && peak == o.peak && threshold == o.threshold
               && marginVolts == o.marginVolts && detected == o.detected && delayMs == o.delayMs;
    }
};

struct JournalSession {
    // A unit is known by its model code (a transmitter has its own), firmware and address:
    // the same three seen on another laptop are the same unit.
    int ident = 0;
    bool transmitter = false;
    QString firmware;
    int address = 0;
    QString unitKey() const;

    qint64 startedMs = 0;  // ms since the epoch; with the unit, the session's identity
    std::optional<qint64> endedMs;
    QString section;

    // As last reported; the threshold and the mode mean nothing for a transmitter.
    int letter = 0, range = 0, threshold = 0, mode = 0;

    // Alignment: the strongest signal since the unit last entered it, and the latest one.
    bool aligned = false;
    int alignMax = 0, alignLast = 0;

    // The walk test: nothing when none was made (or nobody crossed yet).
    std::optional<bool> walkPassed;
    QVector<JournalWalkRow> walk;

    QString report;  // the commissioning report written in the session, if any

    bool operator==(const JournalSession& o) const;
    bool operator!=(const JournalSession& o) const { return !(*this == o); }
};

// One section of the site as the overview shows it: the latest transmitter and receiver
// session under its name, and what they say about the pair.
struct SectionRow {
    QString section;  // empty: sessions nobody named a section for
    std::optional<JournalSession> transmitter, receiver;
    // The latest walk test under the section, when there was one.
    std::optional<bool> walkPassed;
    qint64 walkAtMs = 0;
    // The latest alignment under the section.
    std::optional<JournalSession> alignment;

    bool letterMismatch = false;   // the pair's letters differ
    bool neighbourLetter = false;  // a neighbouring section has the same letter

    // The section's letter: the transmitter's, else the receiver's; 0 when neither is known.
    int letter() const;
    bool walkChecked() const { return walkPassed.has_value(); }
};

Q_DECLARE_METATYPE(JournalSession)
Q_DECLARE_METATYPE(QVector<SectionRow>)

// Sections in the order an installer counts them: "Участок 2" before "Участок 10".
bool sectionLess(const QString& a, const QString& b);
// Sorts the rows by section and flags a pair whose letters differ, and neighbouring sections
// on the same letter (their transmitters would blind each other's receivers).
void flagLetters(QVector<SectionRow>& rows);
