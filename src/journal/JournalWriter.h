#pragma once
// The site journal on a thread of its own, so that a commit waiting for the disk never holds up
// a reply and the next request. Requests are queued in order and answered by signals; the
// journal is opened and used only on that thread.
#include "journal/JournalSession.h"

#include <QObject>
#include <QString>
#include <QVector>

class QThread;

class JournalWriter : public QObject {
    Q_OBJECT
public:
    explicit JournalWriter(QObject* parent = nullptr);
    // Whatever was asked before is done (written) before the thread ends.
    ~JournalWriter() override;

    // Switches to this journal file (creating it when missing, and its folder too when asked).
    // Until it opened, or after any write failed, sessions are dropped: failed() is said
    // once, and the program goes on.
    void open(const QString& path, bool makeFolder = false);
    void write(const JournalSession& session);
    // Answers with sectionFound().
    void lookUpSection(const QString& unitKey);
    // Answers with overviewReady().
    void requestOverview();
    void exportTo(const QString& path);
    void mergeFrom(const QString& path);
    // Returns once everything asked so far is done.
    void flush();

    // The file asked for last, whether or not it opened.
    QString path() const { return FPath; }

signals:
    void opened(const QString& path);
    // The journal cannot be used (refused, not writable, the disk full); the message says why.
    void failed(const QString& message);
    void written();
    void sectionFound(const QString& unitKey, const QString& section);
    void overviewReady(const QVector<SectionRow>& rows);
    void exported(bool ok, const QString& message);
    void merged(bool ok, const QString& message, int added);

private:
    template <class F>
    void post(F&& job);

    QThread* FThread;
    QObject* FWorker;  // lives on FThread; owns the journal
    QString FPath;
};
