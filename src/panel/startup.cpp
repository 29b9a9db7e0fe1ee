// The window's life: created with its dialogs, shown (command line, report, first search),
// closed (exchange stopped, settings written), and the program's exit status.
#include "panel/startup.h"

#include "connection/DetectorConnection.h"
#include "connection/ProgramSettings.h"
#include "connection/ReportFile.h"
#include "connection/delay.h"
#include "connection/params.h"
#include "connection/texts.h"
#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/help.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/AlarmSound.h"
#include "panel/colors.h"
#include "panel/main.h"
#include "panel/scales.h"
#include "protocol/commands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QListWidget>
#include <QPixmapCache>
#include <QTimer>

namespace {

int exitCode = 0;
bool closing = false;

// False when another running copy owns the folder's report: this one must not go on.
bool openReport(ReportFile* report)
{
    const QString reportName = QString::fromUtf8(REPORT_FILE);
    if (report->open(reportName))
        return true;
    // A close asked for meanwhile shows no more boxes.
    if (report->busy()) {
        if (!closing) {
            QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ERROR_CAPT),
                            QString::fromUtf8(REPORT_BUSY_TEXT).arg(QFileInfo(reportName).absolutePath()),
                            QMessageBox::Ok);
            box.exec();
        }
        return false;
    }
    if (closing)
        return true;
    // The program is still useful without its report: say so once and go on.
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                    QString::fromUtf8(REPORT_ERROR_TEXT).arg(QFileInfo(reportName).absoluteFilePath(), report->errorString()),
                    QMessageBox::Ok);
    box.exec();
    return true;
}

}  // namespace

int programExitCode() { return exitCode; }

void beginClosing() { closing = true; }

bool closingProgram() { return closing; }

QString TfmMain::SettingsFileName() const
{
    return settingsFile(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

void closeDialogs()
{
    for (int guard = 0; guard < 10 && QApplication::activeModalWidget(); ++guard)
        QApplication::activeModalWidget()->close();
}

void closeProgram()
{
    closing = true;
    closeDialogs();
    if (fmMain)
        fmMain->close();
}

void TfmMain::FormCreate()
{
    exitCode = 0;
    init_color_scheme();


    SetPosPorog(15);
    SetPosUstMarker(0);
    BufUstMarkerPos = Detector.FPosUstMarker;
    Detector.ValPole = 0;
    BufValPole = Detector.ValPole;

    PM->init();
    PH->init(Detector.ValPole);
    UH->init();
    UM->init();

    ReadIniFile(SettingsFileName());
    keepSettings();
    addr_obmen = 0;
}

void TfmMain::FormShow()
{
    // The report is opened once the command line is accepted: a refused one leaves it alone.
    CommandLine commandLine(arguments);
    bool accepted = commandLine.param_analyze();
    QString refusal = commandLine.errorText();
    const bool playing = accepted && !commandLine.playFile.isEmpty();
    if (playing) {
        QString error;
        accepted = connection->openPlayback(commandLine.playFile, commandLine.playPace, &error);
        if (!accepted)
            refusal = QString::fromUtf8(PLAY_ERROR_TEXT).arg(error);
    }
    if (!accepted && !closingProgram()) {
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ERROR_CAPT), refusal, QMessageBox::Ok, this);
        box.exec();
    }
    // A recording's lost links are not this computer's: the report is left alone.
    if (!accepted || (!playing && !openReport(connection->fRep))) {
        // The user has seen the error; the window itself never appears.
        exitCode = 1;
        setAttribute(Qt::WA_DontShowOnScreen);
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    connection->params = commandLine.ParamStruct;
    connection->ComPortList = commandLine.ComPortList;
    addr_obmen = commandLine.addr;
    if (commandLine.showLog) {
        laStepInit->setVisible(true);
        lbStepInit->setVisible(true);
    }
    InitInterf();
    if (playing) {
        showPlayback();
        connection->startPlayback();
    } else {
        connection->start();
    }
}

void TfmMain::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    // Stopped first: the audio back end has crashed when the loop finished right after a stop.
    const bool sounding = alarmSound->playing();
    alarmSound->stop();
    // Nothing of the exchange or the search may run on: a step still pending would talk to
    // a closed window. The objects themselves live until the window is deleted, so code a
    // dialog returns into still finds them.
    connection->stop();
    endSession();
    tiTr->stop();

    WriteIniFile(SettingsFileName());
    // Give the audio back end time to wind the stopped loop down before the program ends.
    if (sounding)
        Delay(200);
}

void TfmMain::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (FShown)
        return;
    FShown = true;
    FormShow();
}

void TfmMain::closeEvent(QCloseEvent* e)
{
    FormDestroy();
    e->accept();
}

void CreateForms()
{
    // Every change of a panel's colours gives the widget a new palette, and the style keys its
    // cached drawings by palette. Whatever the cache's size limit, its bookkeeping then grows
    // with every palette ever drawn (1.5 MB after 300 dialogs here) and each lost link would
    // cost some 15 kB for good. The window repaints only what changed; it can draw uncached.
    QPixmapCache::setCacheLimit(0);
    new TfmMain;  // sets fmMain; its FormCreate has run when this returns
    fmAbout = new TfmAbout(fmMain);
    fmAddr = new TfmAddr(fmMain);
    fmHelp = new TfmHelp(fmMain);
    fmLiter = new TfmLiter(fmMain);
    fmSkor = new TfmSkor(fmMain);
    fmMain->connectDialogs();
}

void DestroyForms()
{
    delete fmSkor;
    fmSkor = nullptr;
    delete fmLiter;
    fmLiter = nullptr;
    delete fmHelp;
    fmHelp = nullptr;
    delete fmAddr;
    fmAddr = nullptr;
    delete fmAbout;
    fmAbout = nullptr;
    delete fmMain;  // clears fmMain
}
