// The session as the main window keeps it: every poll becomes a sample of the record, and the
// trend window opens from the panel over it.
#include "panel/main.h"

#include "protocol/obmen.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"
#include "trend/texts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

void TfmMain::startSession() { record = std::make_shared<SessionRecord>(); }

void TfmMain::endSession()
{
    if (fmTrend)
        fmTrend->close();
}

void TfmMain::recordGap()
{
    record->markGap();
    // What the panel still shows is the lost unit's; the next unit found reports afresh.
    FFieldReported = false;
    FSignalReported = false;
}

void TfmMain::recordPoll()
{
    // What the panel shows while it polls; the search's identification is not a poll.
    if (!FFlagReply || !DispObmen || DispObmen->VidObmen() != permanent)
        return;
    SessionSample s;
    s.ms = record->elapsedMs();
    s.field = Detector.ValPole;
    s.signal = FReportedUstMarker;
    s.threshold = Detector.FPosPorog;
    s.mode = Detector.FRejim;
    s.state = Detector.FReqState;
    s.letter = Detector.FLit;
    s.range = Detector.FScor;
    s.address = std::uint8_t(Detector.FAddr);
    if (FFieldReported)
        s.flags |= SessionSample::FieldKnown;
    if (FSignalReported)
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
        fmTrend = new TrendWindow(record.get(), this);
        connect(fmTrend, &TrendWindow::saveCsvRequested, this, &TfmMain::saveSessionCsv);
    }
    fmTrend->show();
    fmTrend->raise();
    fmTrend->activateWindow();
}

void TfmMain::saveSessionCsv()
{
    const QString path = QFileDialog::getSaveFileName(fmTrend, QString::fromUtf8(CSV_DIALOG_TITLE),
                                                      QDir::home().filePath(QStringLiteral("dorvik-session.csv")),
                                                      QString::fromUtf8(CSV_FILTER));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeSessionCsv(*record, path, &error))
        QMessageBox::warning(fmTrend, QString::fromUtf8(TREND_TITLE), error);
}
