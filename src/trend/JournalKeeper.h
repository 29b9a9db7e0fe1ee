#pragma once
// Keeps the site journal up to date with this run's sessions: a session's summary is written
// when its unit is found, every few seconds while it changes, and when it ends. The writing
// itself happens on the journal's own thread; here only a copy of the summary is made, on a
// timer of its own, never inside a reply's handling.
#include "journal/JournalSession.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <memory>

class JournalWriter;
class QTimer;
class QWidget;
class SessionBook;
class SessionRecord;

// The journal's summary of a session as it stands.
JournalSession journalSummary(const SessionRecord& record);

class JournalKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int UPDATE_MS = 3000;

    // settingsFile: where the chosen journal is remembered; messages open over window.
    JournalKeeper(const QString& settingsFile, QWidget* window);
    ~JournalKeeper() override;

    // The run's sessions; follow() is called when one begins or ends.
    void setBook(SessionBook* book);
    void follow();
    // The program closes: the current session's end is written, and everything before it.
    void finish();

    // The section the installer named for the current unit.
    void setSection(const QString& section);
    QString section() const;
    // A commissioning report of the current session was written to path.
    void noteReport(const QString& path);

    // Asks for the site's journal file (an existing one or a new one) and keeps to it.
    void chooseSite(QWidget* parent);
    QString path() const;
    // The journal used when no site was chosen: in the user's data folder, so nothing is lost.
    static QString defaultPath();
    // Off: nothing is written (for measuring what the journal costs).
    void setEnabled(bool on);
    JournalWriter* writer() const { return FWriter.get(); }

signals:
    // The current unit's section became known from the journal (or was set).
    void sectionChanged(const QString& section);

private:
    struct Kept {
        QString section;
        QString report;
        std::optional<JournalSession> written;
    };
    void ensureOpen();
    void write(bool evenUnchanged = false);
    void failed(const QString& message);
    void sectionFound(const QString& unitKey, const QString& section);

    QString FSettingsFile;
    QString FPath;
    QPointer<QWidget> FWindow;
    std::unique_ptr<JournalWriter> FWriter;
    SessionBook* FBook = nullptr;
    std::shared_ptr<SessionRecord> FCurrent;
    Kept FKept;  // of FCurrent
    QTimer* FTimer;
    bool FOpened = false;
    bool FEnabled = true;
    bool FFailed = false;
};
