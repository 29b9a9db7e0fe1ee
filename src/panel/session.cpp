// The session as the main window keeps it: every poll becomes a sample of the record, and the
// trend window opens from the panel over it.
#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "connection/IniFile.h"
#include "connection/params.h"
#include "dialogs/skor.h"
#include "panel/readouts.h"
#include "protocol/obmen.h"
#include "trend/CommissioningReport.h"
#include "trend/JournalKeeper.h"
#include "trend/JournalWindow.h"
#include "trend/ReportDialog.h"
#include "trend/SessionBook.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendPlacement.h"
#include "trend/TrendText.h"
#include "trend/TrendWindow.h"
#include "trend/WalkPanel.h"
#include "trend/WalkTest.h"
#include "trend/texts.h"

#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <climits>

namespace {
// Remembered in the settings file for the next report.
const QByteArray REPORT_INI_SECTION = "REPORT";
const QByteArray KEY_SITE = "SITE";
const QByteArray KEY_INSTALLER = "INSTALLER";
const QByteArray KEY_SECTION = "SECTION";
const QByteArray KEY_CONDITIONS = "CONDITIONS";
// Where the trend window stood, for the next time it opens.
const QByteArray TREND_SECTION = "TREND";
const QByteArray KEY_LEFT = "LEFT";
const QByteArray KEY_TOP = "TOP";
const QByteArray KEY_WIDTH = "WIDTH";
const QByteArray KEY_HEIGHT = "HEIGHT";
// The walk test's places, the installer's own list.
const QByteArray WALK_SECTION = "WALKTEST";
const QByteArray KEY_PLACES = "PLACES";

}  // namespace

void TfmMain::startSession()
{
    sessions = std::make_unique<SessionBook>();
    record = sessions->current();
    if (!journal)
        journal = new JournalKeeper(SettingsFileName(), this);
    journal->setBook(sessions.get());
}

void TfmMain::unitIdentified()
{
    SessionUnit unit;
    unit.known = true;
    unit.ident = Detector.FIdent;
    unit.firmware = Detector.FVersPr;
    unit.address = Detector.FAddr;
    if (!sessions->identified(unit))
        return;
    record = sessions->current();
    journal->follow();
    if (fmTrend)
        fmTrend->sessionsChanged();
}

void TfmMain::endSession()
{
    connection->link->stopCapture();
    sessions->endCurrent();
    journal->finish();
    if (fmTrend)
        fmTrend->close();
    if (fmJournal)
        fmJournal->close();
}

void TfmMain::recordGap() { record->markGap(); }

void TfmMain::recordPoll()
{
    // What the unit reports while it is polled; the search's identification is not a poll, but
    // what it measured a moment ago goes with the first poll's row.
    if (!connection->FlagReply() || connection->link->dispatcher.VidObmen() != permanent)
        return;
    SessionSample s;
    s.measured = connection->takeCarried();
    s.ms = record->elapsedMs();
    s.field = Detector.ValPole;
    s.signal = Detector.FPosUstMarker;
    s.threshold = Detector.FPosPorog;
    s.mode = Detector.FRejim;
    s.state = Detector.FReqState;
    s.letter = Detector.FLit;
    s.range = Detector.FScor;
    s.address = std::uint8_t(Detector.FAddr);
    if (connection->fieldReported())
        s.flags |= SessionSample::FieldKnown;
    if (connection->signalReported())
        s.flags |= SessionSample::SignalKnown;
    if (Detector.FFlagTr)
        s.flags |= SessionSample::Alarm;
    if (Detector.FIdent == IDENT_PERED)
        s.flags |= SessionSample::Transmitter;
    record->add(s);
}

void TfmMain::bbTrendClick()
{
    if (!fmTrend) {
        fmTrend = new TrendWindow(sessions.get(), this);
        connect(fmTrend, &TrendWindow::saveCsvRequested, this, &TfmMain::saveSessionCsv);
        connect(fmTrend, &TrendWindow::reportRequested, this, &TfmMain::makeReport);
        connect(fmTrend, &TrendWindow::captureToggled, this, &TfmMain::captureToggled);
        // Queued: a failed write is noticed inside the receive path, and no box opens there.
        connect(connection->link, &DetectorLink::captureFailed, this, &TfmMain::captureFailed, Qt::QueuedConnection);
        connect(fmTrend, &TrendWindow::hidden, this, &TfmMain::keepTrendGeometry);
        connect(fmTrend, &TrendWindow::placesChanged, this, &TfmMain::keepWalkPlaces);
        connect(fmTrend, &TrendWindow::sectionEdited, journal, &JournalKeeper::setSection);
        connect(fmTrend, &TrendWindow::siteRequested, this, [this] { journal->chooseSite(fmTrend); });
        connect(fmTrend, &TrendWindow::journalRequested, this, &TfmMain::openJournal);
        connect(journal, &JournalKeeper::sectionChanged, fmTrend, &TrendWindow::setSection);
        fmTrend->setSection(journal->section());
        placeTrendWindow();
        IniFile ini;
        ini.load(SettingsFileName());
        const QString places = QString::fromUtf8(ini.value(WALK_SECTION, KEY_PLACES).value_or(WALK_PLACES_DEFAULT));
        fmTrend->walkPanel->setPlaces(places.split(QLatin1Char('|'), Qt::SkipEmptyParts));
        // A recording played back is not captured again.
        fmTrend->sbCapture->setEnabled(!connection->playing());
    }
    fmTrend->show();
    fmTrend->raise();
    fmTrend->activateWindow();
}

void TfmMain::openJournal()
{
    if (!fmJournal)
        fmJournal = new JournalWindow(journal, this);
    fmJournal->show();
    fmJournal->raise();
    fmJournal->activateWindow();
}

void TfmMain::placeTrendWindow()
{
    IniFile ini;
    ini.load(SettingsFileName());
    const auto saved = [&ini](const QByteArray& key) { return ini.readInteger(TREND_SECTION, key, INT_MIN); };
    const QPoint topLeft(saved(KEY_LEFT), saved(KEY_TOP));
    const QSize size(saved(KEY_WIDTH), saved(KEY_HEIGHT));
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens())
        areas << s->availableGeometry();
    if (topLeft.x() != INT_MIN && topLeft.y() != INT_MIN && size.width() > 0 && size.height() > 0
        && reachableOn(topLeft, size.width(), areas)) {
        QSize largest;
        for (const QRect& area : areas)
            largest = largest.expandedTo(area.size());
        fmTrend->resize(size.boundedTo(largest));
        fmTrend->move(topLeft);
        return;
    }
    // Not yet shown, the trend has no frame of its own: the main window's is the same kind.
    const QRect inner = geometry(), outer = frameGeometry();
    const QSize frame(outer.width() - inner.width(), outer.height() - inner.height());
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect placed = placeTrend(outer, fmTrend->size() + frame, screen->availableGeometry());
    fmTrend->resize(placed.size() - frame);
    fmTrend->move(placed.topLeft());
}

void TfmMain::keepTrendGeometry()
{
    IniFile ini;
    ini.load(SettingsFileName());
    // A file that could not be read is never written over; the main window's settings say so.
    if (ini.unreadable())
        return;
    ini.writeInteger(TREND_SECTION, KEY_LEFT, fmTrend->x());
    ini.writeInteger(TREND_SECTION, KEY_TOP, fmTrend->y());
    ini.writeInteger(TREND_SECTION, KEY_WIDTH, fmTrend->width());
    ini.writeInteger(TREND_SECTION, KEY_HEIGHT, fmTrend->height());
    if (!ini.save(SettingsFileName()))
        qWarning("Cannot write the settings file %s", qPrintable(SettingsFileName()));
}

void TfmMain::keepWalkPlaces(const QStringList& places)
{
    IniFile ini;
    ini.load(SettingsFileName());
    if (ini.unreadable())
        return;
    // One line in the settings file: a place never holds the separator.
    QStringList kept;
    for (const QString& p : places)
        kept << QString(p).replace(QLatin1Char('|'), QLatin1Char('/'));
    ini.setValue(WALK_SECTION, KEY_PLACES, kept.join(QLatin1Char('|')).toUtf8());
    if (!ini.save(SettingsFileName()))
        qWarning("Cannot write the settings file %s", qPrintable(SettingsFileName()));
}

void TfmMain::saveSessionCsv()
{
    const QString path = QFileDialog::getSaveFileName(fmTrend, QString::fromUtf8(CSV_DIALOG_TITLE),
                                                      QDir::home().filePath(suggestedFileName(CSV_FILE_NAME, Detector, QDateTime::currentDateTime())),
                                                      QString::fromUtf8(CSV_FILTER));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeSessionCsv(*record, path, &error))
        QMessageBox::warning(fmTrend, QString::fromUtf8(TREND_TITLE), error);
}

void TfmMain::makeReport()
{
    IniFile ini;
    ini.load(SettingsFileName());
    const auto remembered = [&ini](const QByteArray& key) {
        return QString::fromUtf8(ini.value(REPORT_INI_SECTION, key).value_or(QByteArray()));
    };
    ReportDialog ask(fmTrend);
    ask.leSite->setText(remembered(KEY_SITE));
    // The section the journal keeps for this unit, if the installer named one there.
    ask.leSection->setText(journal && !journal->section().isEmpty() ? journal->section() : remembered(KEY_SECTION));
    ask.leInstaller->setText(remembered(KEY_INSTALLER));
    // Kept as typed, one paragraph a line; the settings file holds it on one line.
    ask.meConditions->setPlainText(remembered(KEY_CONDITIONS).replace(QLatin1String("\\n"), QLatin1String("\n")));
    if (ask.exec() != QDialog::Accepted)
        return;
    ReportFacts asked;
    // One line each in the settings file, whatever was pasted.
    asked.site = ask.leSite->text().simplified();
    asked.section = ask.leSection->text().simplified();
    asked.installer = ask.leInstaller->text().simplified();
    asked.conditions = printableText(ask.meConditions->toPlainText(), true);
    ini.setValue(REPORT_INI_SECTION, KEY_SITE, asked.site.toUtf8());
    ini.setValue(REPORT_INI_SECTION, KEY_SECTION, asked.section.toUtf8());
    ini.setValue(REPORT_INI_SECTION, KEY_INSTALLER, asked.installer.toUtf8());
    ini.setValue(REPORT_INI_SECTION, KEY_CONDITIONS,
                 QString(asked.conditions).replace(QLatin1Char('\n'), QLatin1String("\\n")).toUtf8());
    if (!ini.save(SettingsFileName()))
        qWarning("Cannot write the settings file %s", qPrintable(SettingsFileName()));

    const QString name = suggestedFileName(REPORT_FILE_NAME, Detector, QDateTime::currentDateTime());
    const QString path = QFileDialog::getSaveFileName(fmTrend, QString::fromUtf8(REPORT_DIALOG_TITLE),
                                                      QDir::home().filePath(name), QString::fromUtf8(REPORT_FILTER));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeReport(path, asked, &error)) {
        QMessageBox::warning(fmTrend, QString::fromUtf8(REPORT_DIALOG_TITLE), error);
        return;
    }
    if (journal)
        journal->noteReport(path);
}

namespace {
ReportUnit reportUnit(const SessionRecord* session)
{
    ReportUnit u;
    if (!session || !session->last())
        return u;
    const SessionUnit& id = session->unit();
    u.present = true;
    u.name = QString::fromUtf8(unitName(id.ident));
    u.firmware = firmwareText(id.firmware);
    u.address = QString::number(session->last()->address);
    u.letter = QString::number(session->last()->letter);
    return u;
}

// The walk test's whole span, drawn by a trend window of its own, so that what the user has on
// screen stays as it is.
QImage walkChart(SessionBook* sessions, const SessionRecord* receiver)
{
    if (!receiver || !receiver->walk().started())
        return {};
    TrendWindow view(sessions);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(900, 520);
    view.show();
    for (std::size_t i = 0; i < sessions->size(); ++i)
        if (sessions->at(i).get() == receiver)
            view.showSession(int(i));
    view.walkPanel->hide();
    view.showWalkTest();
    QWidget* chart = view.chartView;
    // Twice the screen's pixels: the page is printed finer than the screen shows it.
    QImage image(chart->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart->render(&painter);
    return image;
}
}  // namespace

bool TfmMain::writeReport(const QString& path, const ReportFacts& asked, QString* error)
{
    // The pair: the receiver shown in the trend (or the latest one), and the latest transmitter.
    const SessionRecord* shown = fmTrend ? fmTrend->shown() : record.get();
    const SessionRecord* receiver =
        shown && shown->unit().known && !shown->unit().transmitter() ? shown : sessions->latest(false);
    const SessionRecord* transmitter = sessions->latest(true);

    ReportFacts facts = asked;
    facts.at = QDateTime::currentDateTime();
    facts.version = QStringLiteral(DORVIK_VERSION);
    facts.port = connection->portName();
    facts.baud = baudText(connection->lineSpeed());
    facts.transmitter = reportUnit(transmitter);
    facts.receiver = reportUnit(receiver);
    if (receiver) {
        const SessionSample& last = *receiver->last();
        facts.model = QString::number(receiver->unit().ident);
        facts.threshold = QString::number(porogVolts(last.threshold), 'f', 1) + QString::fromUtf8(REPORT_VOLT_UNIT);
        facts.range = skorostText(last.range);
        facts.mode = modeText(last.mode);
    } else if (transmitter) {
        facts.model = QString::number(transmitter->unit().ident);
    }
    const QImage chart = walkChart(sessions.get(), receiver);
    return writeCommissioningReport(path, facts, receiver, chart, error);
}

void TfmMain::captureToggled(bool on)
{
    if (!on) {
        connection->link->stopCapture();
        return;
    }
    const QString name = suggestedFileName(CAPTURE_FILE_NAME, Detector, QDateTime::currentDateTime());
    const QString path = QFileDialog::getSaveFileName(fmTrend, QString::fromUtf8(CAPTURE_DIALOG_TITLE),
                                                      QDir::home().filePath(name), QString::fromUtf8(CAPTURE_FILTER));
    QString error;
    const bool started = !path.isEmpty() && connection->link->startCapture(path, &error);
    fmTrend->sbCapture->setChecked(started);
    if (!started && !error.isEmpty())
        QMessageBox::warning(fmTrend, QString::fromUtf8(CAPTURE_DIALOG_TITLE), error);
}

void TfmMain::captureFailed(const QString& text)
{
    if (fmTrend)
        fmTrend->sbCapture->setChecked(false);
    QMessageBox::warning(fmTrend ? static_cast<QWidget*>(fmTrend) : this, QString::fromUtf8(CAPTURE_DIALOG_TITLE), text);
}
