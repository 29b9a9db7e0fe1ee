#include "journal/SiteJournal.h"

#include "journal/texts.h"
#include "protocol/DetectorUnits.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <map>

namespace {
// Marks the file as ours ("DRVJ"): another program's SQLite file is never taken for a journal.
constexpr qint64 APPLICATION_ID = 0x4452564A;

QAtomicInt connections;

QString tr8(const char* text) { return QString::fromUtf8(text); }

QSqlDatabase db(const QString& name) { return QSqlDatabase::database(name, false); }

// A null QString is bound as NULL: the journal's texts are never NULL, at most empty.
QVariant text(const QString& s) { return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s); }

// Runs one statement; false with the database's own words in *error.
bool exec(QSqlQuery& q, QString* error)
{
    if (q.exec())
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

bool exec(const QSqlDatabase& d, const QString& sql, QString* error)
{
    QSqlQuery q(d);
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

QVariant scalar(const QSqlDatabase& d, const QString& sql, QString* error)
{
    QSqlQuery q(d);
    if (!q.exec(sql) || !q.next()) {
        if (error)
            *error = q.lastError().text();
        return {};
    }
    return q.value(0);
}

// ---- The structure, one step a version: a file is brought up from its version step by step,
// each step in its own transaction with the version it reaches. ----
bool toVersion1(const QSqlDatabase& d, QString* error)
{
    const char* statements[] = {
        "CREATE TABLE sessions ("
        " id INTEGER PRIMARY KEY,"
        " unit_key TEXT NOT NULL,"
        " ident INTEGER NOT NULL, transmitter INTEGER NOT NULL, firmware TEXT NOT NULL, address INTEGER NOT NULL,"
        " started_ms INTEGER NOT NULL, ended_ms INTEGER, updated_ms INTEGER NOT NULL,"
        " section TEXT NOT NULL DEFAULT '',"
        " letter INTEGER, range INTEGER, threshold INTEGER, mode INTEGER,"
        " aligned INTEGER NOT NULL DEFAULT 0,"
        " align_max INTEGER, align_max_zone INTEGER, align_last INTEGER, align_last_zone INTEGER,"
        " walk_passed INTEGER,"
        " report TEXT NOT NULL DEFAULT '',"
        " UNIQUE (unit_key, started_ms))",
        "CREATE TABLE walk ("
        " session_id INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE,"
        " n INTEGER NOT NULL,"
        " at_ms INTEGER NOT NULL, place TEXT NOT NULL, peak INTEGER NOT NULL, threshold INTEGER NOT NULL,"
        " margin REAL NOT NULL, detected INTEGER NOT NULL, delay_ms INTEGER,"
        " PRIMARY KEY (session_id, n))",
        "CREATE INDEX sessions_by_section ON sessions(section, started_ms)",
    };
    for (const char* sql : statements)
        if (!exec(d, QString::fromLatin1(sql), error))
            return false;
    return true;
}

using Step = std::function<bool(const QSqlDatabase&, QString*)>;
const std::map<int, Step>& migrations()
{
    static const std::map<int, Step> steps{{1, toVersion1}};
    return steps;
}

const char* SESSION_COLUMNS =
    "unit_key, ident, transmitter, firmware, address, started_ms, ended_ms, updated_ms, section, letter, range, "
    "threshold, mode, aligned, align_max, align_max_zone, align_last, align_last_zone, walk_passed, report";

QVariant optional(const std::optional<qint64>& v) { return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::LongLong)); }

JournalSession sessionFrom(const QSqlQuery& q)
{
    JournalSession s;
    s.ident = q.value(QStringLiteral("ident")).toInt();
    s.transmitter = q.value(QStringLiteral("transmitter")).toBool();
    s.firmware = q.value(QStringLiteral("firmware")).toString();
    s.address = q.value(QStringLiteral("address")).toInt();
    s.startedMs = q.value(QStringLiteral("started_ms")).toLongLong();
    if (!q.value(QStringLiteral("ended_ms")).isNull())
        s.endedMs = q.value(QStringLiteral("ended_ms")).toLongLong();
    s.section = q.value(QStringLiteral("section")).toString();
    s.letter = q.value(QStringLiteral("letter")).toInt();
    s.range = q.value(QStringLiteral("range")).toInt();
    s.threshold = q.value(QStringLiteral("threshold")).toInt();
    s.mode = q.value(QStringLiteral("mode")).toInt();
    s.aligned = q.value(QStringLiteral("aligned")).toBool();
    s.alignMax = q.value(QStringLiteral("align_max")).toInt();
    s.alignLast = q.value(QStringLiteral("align_last")).toInt();
    if (!q.value(QStringLiteral("walk_passed")).isNull())
        s.walkPassed = q.value(QStringLiteral("walk_passed")).toBool();
    s.report = q.value(QStringLiteral("report")).toString();
    return s;
}

// Inserts or replaces the session's walk rows.
bool writeWalk(const QSqlDatabase& d, qint64 id, const QVector<JournalWalkRow>& rows, QString* error)
{
    QSqlQuery del(d);
    del.prepare(QStringLiteral("DELETE FROM walk WHERE session_id = ?"));
    del.addBindValue(id);
    if (!exec(del, error))
        return false;
    QSqlQuery ins(d);
    ins.prepare(QStringLiteral("INSERT INTO walk (session_id, n, at_ms, place, peak, threshold, margin, detected, "
                               "delay_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < rows.size(); ++i) {
        const JournalWalkRow& r = rows[i];
        ins.addBindValue(id);
        ins.addBindValue(i + 1);
        ins.addBindValue(r.atMs);
        ins.addBindValue(text(r.place));
        ins.addBindValue(r.peak);
        ins.addBindValue(r.threshold);
        ins.addBindValue(r.marginVolts);
        ins.addBindValue(r.detected ? 1 : 0);
        ins.addBindValue(r.delayMs ? QVariant(*r.delayMs) : QVariant(QMetaType(QMetaType::Int)));
        if (!exec(ins, error))
            return false;
    }
    return true;
}

// A transaction that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(QSqlDatabase d) : FDb(std::move(d)) { FOpen = FDb.transaction(); }
    ~Transaction()
    {
        if (FOpen)
            FDb.rollback();
    }
    bool begun(QString* error) const
    {
        if (!FOpen && error)
            *error = FDb.lastError().text();
        return FOpen;
    }
    bool commit(QString* error)
    {
        FOpen = false;
        if (FDb.commit())
            return true;
        if (error)
            *error = FDb.lastError().text();
        FDb.rollback();
        return false;
    }

private:
    QSqlDatabase FDb;
    bool FOpen = false;
};
}  // namespace

SiteJournal::SiteJournal() : FConnection(QStringLiteral("dorvik-journal-%1").arg(connections.fetchAndAddOrdered(1))) {}

SiteJournal::~SiteJournal() { close(); }

bool SiteJournal::isOpen() const { return QSqlDatabase::contains(FConnection) && db(FConnection).isOpen(); }

void SiteJournal::close()
{
    if (!QSqlDatabase::contains(FConnection))
        return;
    {
        QSqlDatabase d = db(FConnection);
        d.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
}

bool SiteJournal::open(const QString& path, QString* error)
{
    close();
    FPath = path;
    const QString why = prepare(path);
    if (why.isEmpty())
        return true;
    if (error)
        *error = why;
    close();
    return false;
}

QString SiteJournal::prepare(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
    d.setDatabaseName(path);
    // Another program (or the other laptop's copy being merged) may hold the file a moment.
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_URI"));
    if (!d.open())
        return tr8(JOURNAL_NOT_OPENED).arg(shown, d.lastError().text());
    // Read before anything is written: a file we may not change must stay as it is.
    QSqlQuery probe(d);
    if (!probe.exec(QStringLiteral("PRAGMA user_version")) || !probe.next()) {
        // SQLITE_NOTADB: something else lies there; anything else is the file or its folder.
        if (probe.lastError().nativeErrorCode() == QLatin1String("26"))
            return tr8(JOURNAL_NOT_JOURNAL).arg(shown);
        return tr8(JOURNAL_NOT_OPENED).arg(shown, probe.lastError().text());
    }
    const int version = probe.value(0).toInt();
    probe.finish();
    QString why;
    const qint64 appId = scalar(d, QStringLiteral("PRAGMA application_id"), &why).toLongLong();
    const int tables = scalar(d, QStringLiteral("SELECT count(*) FROM sqlite_master"), &why).toInt();
    if ((appId != 0 || tables != 0) && appId != APPLICATION_ID)
        return tr8(JOURNAL_NOT_JOURNAL).arg(shown);
    if (version > SCHEMA_VERSION)
        return tr8(JOURNAL_NEWER).arg(shown).arg(version).arg(SCHEMA_VERSION);

    // A write-ahead log: a kill in the middle of a write leaves the last committed state, and a
    // reader (an export) never waits for the writer. FULL: a commit is on the disk, so a
    // laptop whose battery dies keeps it too.
    if (!exec(d, QStringLiteral("PRAGMA journal_mode = WAL"), &why) || !exec(d, QStringLiteral("PRAGMA synchronous = FULL"), &why)
        || !exec(d, QStringLiteral("PRAGMA foreign_keys = ON"), &why) || !migrate(&why))
        return tr8(JOURNAL_NOT_OPENED).arg(shown, why);
    return QString();
}

bool SiteJournal::migrate(QString* error)
{
    QSqlDatabase d = db(FConnection);
    int version = scalar(d, QStringLiteral("PRAGMA user_version"), error).toInt();
    for (const auto& [to, step] : migrations()) {
        if (to <= version)
            continue;
        Transaction t(d);
        if (!t.begun(error))
            return false;
        if (version == 0 && !exec(d, QStringLiteral("PRAGMA application_id = %1").arg(APPLICATION_ID), error))
            return false;
        if (!step(d, error) || !exec(d, QStringLiteral("PRAGMA user_version = %1").arg(to), error) || !t.commit(error))
            return false;
        version = to;
    }
    return true;
}

int SiteJournal::fileVersion(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return -1;
    const QString name = QStringLiteral("dorvik-journal-probe-%1").arg(connections.fetchAndAddOrdered(1));
    int version = -1;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        d.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (d.open()) {
            const QVariant v = scalar(d, QStringLiteral("PRAGMA user_version"), nullptr);
            if (v.isValid())
                version = v.toInt();
            d.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return version;
}

bool SiteJournal::write(const JournalSession& s, QString* error)
{
    QSqlDatabase d = db(FConnection);
    const auto fail = [&](const QString& why) {
        if (error)
            *error = tr8(JOURNAL_NOT_WRITTEN).arg(QDir::toNativeSeparators(FPath), why);
        return false;
    };
    if (!d.isOpen())
        return fail(QString());
    QString why;
    Transaction t(d);
    if (!t.begun(&why))
        return fail(why);
    QSqlQuery q(d);
    q.prepare(QStringLiteral("INSERT INTO sessions (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                             "ON CONFLICT (unit_key, started_ms) DO UPDATE SET "
                             "ended_ms = excluded.ended_ms, updated_ms = excluded.updated_ms, section = excluded.section, "
                             "letter = excluded.letter, range = excluded.range, threshold = excluded.threshold, "
                             "mode = excluded.mode, aligned = excluded.aligned, align_max = excluded.align_max, "
                             "align_max_zone = excluded.align_max_zone, align_last = excluded.align_last, "
                             "align_last_zone = excluded.align_last_zone, walk_passed = excluded.walk_passed, "
                             "report = excluded.report")
                  .arg(QLatin1String(SESSION_COLUMNS)));
    q.addBindValue(s.unitKey());
    q.addBindValue(s.ident);
    q.addBindValue(s.transmitter ? 1 : 0);
    q.addBindValue(text(s.firmware));
    q.addBindValue(s.address);
    q.addBindValue(s.startedMs);
    q.addBindValue(optional(s.endedMs));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    q.addBindValue(text(s.section));
    q.addBindValue(s.letter);
    q.addBindValue(s.range);
    q.addBindValue(s.threshold);
    q.addBindValue(s.mode);
    q.addBindValue(s.aligned ? 1 : 0);
    const QVariant none(QMetaType(QMetaType::Int));
    q.addBindValue(s.aligned ? QVariant(s.alignMax) : none);
    q.addBindValue(s.aligned ? QVariant(int(signalZone(TPosUstMarker(s.alignMax)))) : none);
    q.addBindValue(s.aligned ? QVariant(s.alignLast) : none);
    q.addBindValue(s.aligned ? QVariant(int(signalZone(TPosUstMarker(s.alignLast)))) : none);
    q.addBindValue(s.walkPassed ? QVariant(*s.walkPassed ? 1 : 0) : none);
    q.addBindValue(text(s.report));
    if (!exec(q, &why))
        return fail(why);
    QSqlQuery id(d);
    id.prepare(QStringLiteral("SELECT id FROM sessions WHERE unit_key = ? AND started_ms = ?"));
    id.addBindValue(s.unitKey());
    id.addBindValue(s.startedMs);
    if (!exec(id, &why) || !id.next())
        return fail(why);
    if (!writeWalk(d, id.value(0).toLongLong(), s.walk, &why) || !t.commit(&why))
        return fail(why);
    return true;
}

QString SiteJournal::sectionOf(const QString& unitKey, QString* error)
{
    QSqlQuery q(db(FConnection));
    q.prepare(QStringLiteral("SELECT section FROM sessions WHERE unit_key = ? AND section <> '' "
                             "ORDER BY started_ms DESC LIMIT 1"));
    q.addBindValue(unitKey);
    if (!exec(q, error) || !q.next())
        return QString();
    return q.value(0).toString();
}

QVector<JournalSession> SiteJournal::sessions(QString* error)
{
    QSqlDatabase d = db(FConnection);
    QVector<JournalSession> all;
    QHash<qint64, int> byId;
    QSqlQuery q(d);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, %1 FROM sessions ORDER BY started_ms, id").arg(QLatin1String(SESSION_COLUMNS)))) {
        if (error)
            *error = q.lastError().text();
        return all;
    }
    while (q.next()) {
        byId.insert(q.value(0).toLongLong(), all.size());
        all << sessionFrom(q);
    }
    QSqlQuery w(d);
    w.setForwardOnly(true);
    if (!w.exec(QStringLiteral("SELECT session_id, at_ms, place, peak, threshold, margin, detected, delay_ms "
                               "FROM walk ORDER BY session_id, n"))) {
        if (error)
            *error = w.lastError().text();
        return all;
    }
    while (w.next()) {
        const auto it = byId.constFind(w.value(0).toLongLong());
        if (it == byId.constEnd())
            continue;
        JournalWalkRow r;
        r.atMs = w.value(1).toLongLong();
        r.place = w.value(2).toString();
        r.peak = w.value(3).toInt();
        r.threshold = w.value(4).toInt();
        r.marginVolts = w.value(5).toDouble();
        r.detected = w.value(6).toBool();
        if (!w.value(7).isNull())
            r.delayMs = w.value(7).toInt();
        all[*it].walk << r;
    }
    return all;
}

QVector<SectionRow> SiteJournal::overview(QString* error)
{
    QVector<SectionRow> rows;
    QHash<QString, int> index;
    // Oldest first, so the latest of each kind is the one that stays.
    for (const JournalSession& s : sessions(error)) {
        auto it = index.constFind(s.section);
        if (it == index.constEnd()) {
            it = index.insert(s.section, rows.size());
            rows << SectionRow{};
            rows.back().section = s.section;
        }
        SectionRow& r = rows[*it];
        (s.transmitter ? r.transmitter : r.receiver) = s;
        if (s.walkPassed) {
            r.walkPassed = s.walkPassed;
            r.walkAtMs = s.walk.isEmpty() ? s.startedMs : s.walk.back().atMs;
        }
        if (s.aligned)
            r.alignment = s;
    }
    flagLetters(rows);
    return rows;
}

bool SiteJournal::exportTo(const QString& path, QString* error)
{
    const auto fail = [&](const QString& why) {
        if (error)
            *error = tr8(JOURNAL_NOT_EXPORTED).arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(FPath).absoluteFilePath())
        return fail(QString());
    // Made beside its place and renamed over it: a copy that failed half-way never replaces
    // the file that was there.
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    QSqlQuery q(db(FConnection));
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(partial);
    QString why;
    if (!exec(q, &why)) {
        QFile::remove(partial);
        return fail(why);
    }
    if ((QFileInfo::exists(path) && !QFile::remove(path)) || !QFile::rename(partial, path)) {
        why = QFile(path).errorString();
        QFile::remove(partial);
        return fail(why);
    }
    return true;
}

bool SiteJournal::mergeFrom(const QString& path, int* added, QString* error)
{
    *added = 0;
    // refuse: a message of its own; fail: the database's words under the usual one.
    const auto refuse = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const auto fail = [&](const QString& why) {
        return refuse(tr8(JOURNAL_NOT_MERGED).arg(QDir::toNativeSeparators(path), why));
    };
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(FPath).canonicalFilePath())
        return true;
    const int version = fileVersion(path);
    if (version < 0)
        return refuse(tr8(JOURNAL_NOT_JOURNAL).arg(QDir::toNativeSeparators(path)));
    if (version > SCHEMA_VERSION)
        return refuse(tr8(JOURNAL_NEWER).arg(QDir::toNativeSeparators(path)).arg(version).arg(SCHEMA_VERSION));
    if (version < SCHEMA_VERSION) {
        // An older journal is brought up to date in a copy; the other laptop's file stays as it was.
        QTemporaryDir scratch;
        const QString copy = scratch.filePath(QStringLiteral("older.journal"));
        SiteJournal older;
        QString why;
        if (!QFile::copy(path, copy) || !older.open(copy, &why))
            return refuse(why.isEmpty() ? tr8(JOURNAL_NOT_JOURNAL).arg(QDir::toNativeSeparators(path)) : why);
        older.close();
        return mergeFrom(copy, added, error);
    }

    QSqlDatabase d = db(FConnection);
    QString why;
    QSqlQuery attach(d);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS other"));
    attach.addBindValue(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                        + QStringLiteral("?mode=ro"));
    if (!exec(attach, &why))
        return fail(why);
    const auto detach = [&] { exec(d, QStringLiteral("DETACH DATABASE other"), nullptr); };
    if (scalar(d, QStringLiteral("PRAGMA other.application_id"), &why).toLongLong() != APPLICATION_ID) {
        detach();
        return refuse(tr8(JOURNAL_NOT_JOURNAL).arg(QDir::toNativeSeparators(path)));
    }
    bool ok = false;
    int count = 0;
    {
        Transaction t(d);
        ok = t.begun(&why);
        QSqlQuery theirs(d);
        theirs.setForwardOnly(true);
        ok = ok && theirs.exec(QStringLiteral("SELECT o.id, s.id, o.updated_ms > coalesce(s.updated_ms, -1) "
                                              "FROM other.sessions o LEFT JOIN main.sessions s "
                                              "ON s.unit_key = o.unit_key AND s.started_ms = o.started_ms"));
        if (!ok && why.isEmpty())
            why = theirs.lastError().text();
        struct Take {
            qint64 theirs;
            QVariant ours;
        };
        QVector<Take> takes;
        while (ok && theirs.next())
            if (theirs.value(2).toBool())
                takes << Take{theirs.value(0).toLongLong(), theirs.value(1)};
        for (const Take& take : takes) {
            if (!ok)
                break;
            if (!take.ours.isNull()) {
                // Both hold it and theirs was written later: theirs is the fuller summary.
                QSqlQuery drop(d);
                drop.prepare(QStringLiteral("DELETE FROM main.sessions WHERE id = ?"));
                drop.addBindValue(take.ours);
                ok = exec(drop, &why);
            } else {
                ++count;
            }
            QSqlQuery copy(d);
            copy.prepare(QStringLiteral("INSERT INTO main.sessions (%1) SELECT %1 FROM other.sessions WHERE id = ?")
                             .arg(QLatin1String(SESSION_COLUMNS)));
            copy.addBindValue(take.theirs);
            ok = ok && exec(copy, &why);
            QSqlQuery walk(d);
            walk.prepare(QStringLiteral("INSERT INTO main.walk (session_id, n, at_ms, place, peak, threshold, margin, "
                                        "detected, delay_ms) SELECT ?, n, at_ms, place, peak, threshold, margin, "
                                        "detected, delay_ms FROM other.walk WHERE session_id = ?"));
            walk.addBindValue(copy.lastInsertId());
            walk.addBindValue(take.theirs);
            ok = ok && exec(walk, &why);
        }
        ok = ok && t.commit(&why);
    }
    detach();
    if (!ok)
        return fail(why);
    *added = count;
    return true;
}
