#include "trend/JournalKeeper.h"

#include "connection/IniFile.h"
#include "journal/JournalWriter.h"
#include "trend/SessionBook.h"
#include "trend/SessionRecord.h"
#include "trend/WalkTest.h"
#include "trend/texts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

namespace {
// The chosen journal, for the next start.
const QByteArray JOURNAL_SECTION = "JOURNAL";
const QByteArray KEY_FILE = "FILE";
}  // namespace

JournalSession journalSummary(const SessionRecord& record)
{
    JournalSession s;
    const SessionUnit& unit = record.unit();
    s.ident = unit.ident;
    s.transmitter = unit.transmitter();
    s.firmware = QStringLiteral("%1.%2").arg(unit.firmware[0]).arg(unit.firmware[1]);
    s.address = unit.address;
    s.startedMs = record.startedAt().toMSecsSinceEpoch();
    if (record.ended())
        s.endedMs = s.startedMs + record.elapsedMs();
    if (const SessionSample* last = record.last()) {
        s.letter = last->letter;
        s.range = last->range;
        s.threshold = last->threshold;
        s.mode = last->mode;
    } else {
        s.letter = record.lastLetter();
    }
    const AlignmentHold& hold = record.alignment();
    s.aligned = hold.seen;
    s.alignMax = hold.max;
    s.alignLast = hold.last;
    const WalkTest& walk = record.walk();
    for (const WalkCrossing& c : walk.crossings()) {
        if (!c.ended)
            continue;
        JournalWalkRow row;
        row.atMs = s.startedMs + c.peakMs;
        row.place = c.place;
        row.peak = c.peak;
        row.threshold = c.threshold;
        row.marginVolts = c.marginVolts();
        row.detected = c.detected();
        if (const auto delay = c.alarmDelayMs())
            row.delayMs = int(*delay);
        s.walk << row;
    }
    if (!s.walk.isEmpty())
        s.walkPassed = walk.verdict().passed();
    return s;
}

JournalKeeper::JournalKeeper(const QString& settingsFile, QWidget* window)
    : FSettingsFile(settingsFile), FWindow(window), FWriter(std::make_unique<JournalWriter>()), FTimer(new QTimer(this))
{
    connect(FWriter.get(), &JournalWriter::failed, this, &JournalKeeper::failed);
    connect(FWriter.get(), &JournalWriter::sectionFound, this, &JournalKeeper::sectionFound);
    // Read once at the start, with the other settings: never while a unit is being found.
    IniFile ini;
    ini.load(FSettingsFile);
    FPath = QString::fromUtf8(ini.value(JOURNAL_SECTION, KEY_FILE).value_or(QByteArray()));
    if (FPath.isEmpty())
        FPath = defaultPath();
    FTimer->setInterval(UPDATE_MS);
    connect(FTimer, &QTimer::timeout, this, [this] { write(); });
}

JournalKeeper::~JournalKeeper() = default;

QString JournalKeeper::defaultPath()
{
    // Tests and trial runs keep it beside their settings, never in the user's own folder.
    QString folder = qEnvironmentVariable("DORVIK_SETTINGS_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QString::fromUtf8(JOURNAL_DEFAULT_FILE));
}

QString JournalKeeper::path() const { return FPath; }

void JournalKeeper::setBook(SessionBook* book)
{
    FBook = book;
    FCurrent.reset();
    FKept = {};
}

void JournalKeeper::setEnabled(bool on)
{
    FEnabled = on;
    if (!on)
        FTimer->stop();
}

void JournalKeeper::ensureOpen()
{
    if (FOpened)
        return;
    FOpened = true;
    // The data folder is made as needed; a chosen journal's folder is the installer's.
    FWriter->open(FPath, FPath == defaultPath());
}

void JournalKeeper::follow()
{
    if (!FBook || !FEnabled)
        return;
    const std::shared_ptr<SessionRecord>& now = FBook->current();
    if (now == FCurrent)
        return;
    // The session before has ended: its end is the last thing written of it.
    if (FCurrent && FCurrent->unit().known)
        write(true);
    FCurrent = now;
    FKept = {};
    if (!FCurrent->unit().known)
        return;
    ensureOpen();
    FWriter->lookUpSection(journalSummary(*FCurrent).unitKey());
    emit sectionChanged(QString());
    write(true);
    FTimer->start();
}

void JournalKeeper::finish()
{
    FTimer->stop();
    if (FEnabled && FCurrent && FCurrent->unit().known)
        write(true);
}

void JournalKeeper::write(bool evenUnchanged)
{
    if (!FEnabled || FFailed || !FCurrent || !FCurrent->unit().known)
        return;
    JournalSession s = journalSummary(*FCurrent);
    s.section = FKept.section;
    s.report = FKept.report;
    if (!evenUnchanged && FKept.written && *FKept.written == s)
        return;
    FKept.written = s;
    FWriter->write(s);
}

void JournalKeeper::setSection(const QString& section)
{
    if (!FCurrent || !FCurrent->unit().known || section == FKept.section)
        return;
    FKept.section = section;
    write();
}

QString JournalKeeper::section() const { return FKept.section; }

void JournalKeeper::noteReport(const QString& path)
{
    FKept.report = path;
    write();
}

void JournalKeeper::sectionFound(const QString& unitKey, const QString& section)
{
    // Proposed from the journal unless the installer has typed one meanwhile.
    if (!FCurrent || journalSummary(*FCurrent).unitKey() != unitKey || !FKept.section.isEmpty() || section.isEmpty())
        return;
    FKept.section = section;
    write();
    emit sectionChanged(section);
}

void JournalKeeper::chooseSite(QWidget* parent)
{
    const QString current = FPath;
    const QString file = QFileDialog::getSaveFileName(parent, QString::fromUtf8(JOURNAL_DIALOG_TITLE),
                                                current == defaultPath() ? QDir::home().filePath(QString::fromUtf8(JOURNAL_FILE_NAME)) : current,
                                                QString::fromUtf8(JOURNAL_FILTER), nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return;
    IniFile ini;
    ini.load(FSettingsFile);
    if (!ini.unreadable()) {
        ini.setValue(JOURNAL_SECTION, KEY_FILE, file.toUtf8());
        if (!ini.save(FSettingsFile))
            qWarning("Cannot write the settings file %s", qPrintable(FSettingsFile));
    }
    // A new file is a fresh start: a failure said about the old one is not this one's.
    FFailed = false;
    FOpened = true;
    FPath = file;
    FWriter->open(file);
    // The session under way belongs to the site now chosen.
    write(true);
}

void JournalKeeper::failed(const QString& message)
{
    if (FFailed)
        return;
    FFailed = true;
    FTimer->stop();
    // Not modal: polling and the installer's work go on while it stands.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(JOURNAL_DIALOG_TITLE),
                                message + QString::fromUtf8(JOURNAL_GOES_ON), QMessageBox::Ok, FWindow);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}
