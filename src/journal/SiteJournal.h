#pragma once
// The site journal: one SQLite file per site holding every session's summary, so that what two
// installers commissioned over several days is still there when the laptops are opened again.
// Used from one thread at a time (the program's is JournalWriter's); each object has its own
// connection.
#include "journal/JournalSession.h"

#include <QString>
#include <QVector>

class SiteJournal {
public:
    // The journal's structure; a step added to the migrations raises it.
    static constexpr int SCHEMA_VERSION = 1;

    SiteJournal();
    ~SiteJournal();
    SiteJournal(const SiteJournal&) = delete;
    SiteJournal& operator=(const SiteJournal&) = delete;

    // Creates the file or opens it and brings it to this version. A file from a newer version
    // or one that is not a journal is refused and left untouched; false with why in *error.
    bool open(const QString& path, QString* error);
    void close();
    bool isOpen() const;
    QString path() const { return FPath; }

    // Adds the session or replaces what was written of it before (the same unit and start).
    bool write(const JournalSession& session, QString* error);
    // The section the unit was last named under, empty when never.
    QString sectionOf(const QString& unitKey, QString* error = nullptr);

    // Every session, oldest first.
    QVector<JournalSession> sessions(QString* error = nullptr);
    QVector<SectionRow> overview(QString* error = nullptr);

    // A consistent copy of the journal, also while it is written; an existing file is replaced.
    bool exportTo(const QString& path, QString* error);
    // Takes in the sessions of another journal that this one lacks; a session both hold (the
    // same unit and start) is kept once, as last updated. *added: sessions new here.
    bool mergeFrom(const QString& path, int* added, QString* error);

    // The version a journal file says it is (0: a new or empty file); -1 when it cannot be read.
    static int fileVersion(const QString& path);

private:
    // Opens the connection and brings the file up to date; why it could not, else empty.
    QString prepare(const QString& path);
    bool migrate(QString* error);
    QString FConnection;
    QString FPath;
};
