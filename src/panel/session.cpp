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
#include "trend/ReportDialog.h"
#include "trend/SessionBook.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendPlacement.h"
#include "trend/TrendText.h"
#include "trend/TrendWindow.h"
#include "trend/texts.h"

#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <climits>

namespace {
// Remembered in the settings file for the next report.
const QByteArray REPORT_SECTION = "REPORT";
const QByteArray KEY_SITE = "SITE";
const QByteArray KEY_INSTALLER = "INSTALLER";
// Where the trend window stood, for the next time it opens.
const QByteArray TREND_SECTION = "TREND";
const QByteArray KEY_LEFT = "LEFT";
const QByteArray KEY_TOP = "TOP";
const QByteArray KEY_WIDTH = "WIDTH";
const QByteArray KEY_HEIGHT = "HEIGHT";

const char* modeName(TRejim mode)
{
    switch (mode) {
    case dej: return MODE_DUTY;
    case ust: return MODE_ALIGNMENT;
    case vklpit: return MODE_POWER_ON;
    }
    return "";
}
}  // namespace

void TfmMain::startSession()
{
    sessions = std::make_unique<SessionBook>();
    record = sessions->current();
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
    if (fmTrend)
        fmTrend->sessionsChanged();
}

void TfmMain::endSession()
{
    connection->link->stopCapture();
    sessions->endCurrent();
    if (fmTrend)
        fmTrend->close();
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
        placeTrendWindow();
        // A recording played back is not captured again.
        fmTrend->sbCapture->setEnabled(!connection->playing());
    }
    fmTrend->show();
    fmTrend->raise();
    fmTrend->activateWindow();
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
    ReportDialog ask(fmTrend);
    ask.leSite->setText(QString::fromUtf8(ini.value(REPORT_SECTION, KEY_SITE).value_or(QByteArray())));
    ask.leInstaller->setText(QString::fromUtf8(ini.value(REPORT_SECTION, KEY_INSTALLER).value_or(QByteArray())));
    if (ask.exec() != QDialog::Accepted)
        return;
    // One line each in the settings file, whatever was pasted.
    const QString site = ask.leSite->text().simplified();
    const QString installer = ask.leInstaller->text().simplified();
    ini.setValue(REPORT_SECTION, KEY_SITE, site.toUtf8());
    ini.setValue(REPORT_SECTION, KEY_INSTALLER, installer.toUtf8());
    if (!ini.save(SettingsFileName()))
        qWarning("Cannot write the settings file %s", qPrintable(SettingsFileName()));

    const QString name = suggestedFileName(REPORT_FILE_NAME, Detector, QDateTime::currentDateTime());
    const QString path = QFileDialog::getSaveFileName(fmTrend, QString::fromUtf8(REPORT_DIALOG_TITLE),
                                                      QDir::home().filePath(name), QString::fromUtf8(REPORT_FILTER));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeReport(path, site, installer, &error))
        QMessageBox::warning(fmTrend, QString::fromUtf8(REPORT_DIALOG_TITLE), error);
}

bool TfmMain::writeReport(const QString& path, const QString& site, const QString& installer, QString* error)
{
    ReportFacts facts;
    facts.at = QDateTime::currentDateTime();
    facts.site = site;
    facts.installer = installer;
    facts.port = connection->portName();
    facts.baud = baudText(connection->lineSpeed());
    facts.unit = QString::fromUtf8(unitName(Detector.FIdent));
    facts.model = QString::number(Detector.FIdent);
    facts.firmware = firmwareText(Detector.FVersPr);
    facts.address = QString::number(Detector.FAddr);
    facts.letter = QString::number(Detector.FLit);
    facts.range = skorostText(Detector.FScor);
    facts.threshold = voltText(porogTenths(Detector.FPosPorog));
    facts.mode = QString::fromUtf8(modeName(Detector.FRejim));
    facts.transmitter = Detector.FIdent == IDENT_PERED;
    QImage trend;
    if (fmTrend) {
        fmTrend->refresh();
        // Twice the screen's pixels: the page is printed finer than the screen shows it.
        QWidget* view = fmTrend->chartView;
        trend = QImage(view->size() * 2, QImage::Format_RGB32);
        trend.setDevicePixelRatio(2);
        trend.fill(Qt::white);
        QPainter painter(&trend);
        view->render(&painter);
    }
    return writeCommissioningReport(path, facts, *record, trend, error);
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
