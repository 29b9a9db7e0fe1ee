#include "journal/JournalWriter.h"

#include "journal/SiteJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace {
// Lives on the journal's thread; reached only through queued calls.
class JournalWorker : public QObject {
public:
    SiteJournal journal;
    bool usable = false;
};
}  // namespace

JournalWriter::JournalWriter(QObject* parent)
    : QObject(parent), FThread(new QThread(this)), FWorker(new JournalWorker)
{
    static const int registered = [] {
        qRegisterMetaType<JournalSession>();
        qRegisterMetaType<QVector<SectionRow>>();
        return 0;
    }();
    Q_UNUSED(registered);
    FThread->setObjectName(QStringLiteral("journal"));
    FWorker->moveToThread(FThread);
    connect(FThread, &QThread::finished, FWorker, &QObject::deleteLater);
    FThread->start(QThread::LowPriority);
}

JournalWriter::~JournalWriter()
{
    // Queued behind every write asked for: the thread ends once they are done.
    post([thread = FThread](JournalWorker& w) {
        w.journal.close();
        thread->quit();
    });
    FThread->wait();
}

template <class F>
void JournalWriter::post(F&& job)
{
    auto* worker = static_cast<JournalWorker*>(FWorker);
    QMetaObject::invokeMethod(worker, [worker, job = std::forward<F>(job)]() mutable { job(*worker); },
                              Qt::QueuedConnection);
}

void JournalWriter::open(const QString& path, bool makeFolder)
{
    FPath = path;
    post([this, path, makeFolder](JournalWorker& w) {
        if (makeFolder)
            QDir().mkpath(QFileInfo(path).absolutePath());
        QString error;
        w.usable = w.journal.open(path, &error);
        if (w.usable)
            emit opened(path);
        else
            emit failed(error);
    });
}

void JournalWriter::write(const JournalSession& session)
{
    post([this, session](JournalWorker& w) {
        if (!w.usable)
            return;
        QString error;
        if (w.journal.write(session, &error)) {
            emit written();
            return;
        }
        // Said once: a full disk stays full for every write after it.
        w.usable = false;
        w.journal.close();
        emit failed(error);
    });
}

void JournalWriter::lookUpSection(const QString& unitKey)
{
    post([this, unitKey](JournalWorker& w) {
        if (w.usable)
            emit sectionFound(unitKey, w.journal.sectionOf(unitKey));
    });
}

void JournalWriter::requestOverview()
{
    post([this](JournalWorker& w) {
        emit overviewReady(w.usable ? w.journal.overview() : QVector<SectionRow>());
    });
}

void JournalWriter::exportTo(const QString& path)
{
    post([this, path](JournalWorker& w) {
        QString error;
        const bool ok = w.usable && w.journal.exportTo(path, &error);
        emit exported(ok, error);
    });
}

void JournalWriter::mergeFrom(const QString& path)
{
    post([this, path](JournalWorker& w) {
        QString error;
        int added = 0;
        const bool ok = w.usable && w.journal.mergeFrom(path, &added, &error);
        emit merged(ok, error, added);
    });
}

void JournalWriter::flush()
{
    auto* worker = static_cast<JournalWorker*>(FWorker);
    QMetaObject::invokeMethod(worker, [] {}, Qt::BlockingQueuedConnection);
}
