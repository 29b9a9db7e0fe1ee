#include "connection/startup.h"

#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
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

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmapCache>
#include <QStandardPaths>
#include <QTimer>

namespace {

int exitCode = 0;
bool closing = false;

// Next to the executable, as installers expect; in the user's configuration directory when
// the program is installed where the user may not write. DORVIK_SETTINGS_DIR overrides
// both (tests keep their settings apart this way).
QString settingsFile(const QString& exeDir)
{
    const QString name = QString::fromUtf8(SETTINGS_FILE);
    const QString overrideDir = qEnvironmentVariable("DORVIK_SETTINGS_DIR");
    if (!overrideDir.isEmpty())
        return QDir(overrideDir).filePath(name);
    const QFileInfo besideExe(exeDir + name);
    // Saved through a temporary file renamed over it: the folder it resolves to must take
    // new files too, not only the file its changes.
    const QString folder = besideExe.exists() ? QFileInfo(besideExe.canonicalFilePath()).absolutePath() : exeDir;
    const bool writable = QFileInfo(folder).isWritable() && (!besideExe.exists() || besideExe.isWritable());
    if (writable)
        return besideExe.filePath();
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userDir);
    return QDir(userDir).filePath(name);
}

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

QString TfmMain::SettingsFileName() const { return settingsFile(FilePath); }

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
    ParamStruct = RParamStruct{};
    ParamStruct.val_addr = QString::number(0);
    ParamStruct.val_baud = QString::fromLatin1(BAUD_RATE_STR[CPS_INDEX[ParamStruct.baud_ind]]);

    init_color_scheme();

    ComPortList.clear();

    SetPosPorog(15);
    SetPosUstMarker(0);
    BufUstMarkerPos = Detector.FPosUstMarker;
    Detector.ValPole = 0;
    BufValPole = Detector.ValPole;

    PM->init();
    PH->init(Detector.ValPole);
    UH->init();
    UM->init();

    FilePath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    ReadIniFile(settingsFile(FilePath));
    keepSettings();

    // Opened once the command line is accepted: a refused one leaves the report alone.
    fRep = new ReportFile;

    addr_obmen = 0;
}

void TfmMain::FormShow()
{
    if (!param_analyze() || !openReport(fRep)) {
        // The user has seen the error; the window itself never appears.
        exitCode = 1;
        setAttribute(Qt::WA_DontShowOnScreen);
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    link->SetWorkingSpeedIndex(ParamStruct.baud_ind);
    InitInterf();
    SetFlagReply(false);
    DispObmen->Init();
    VivMess(QString::fromUtf8(MSG_WAIT), QString());
    ScanPorts();
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
    link->stop();
    endSession();
    tiStep->stop();
    FNextStep = nullptr;
    tiRepair->stop();
    tiTr->stop();
    ComPortList.clear();

    WriteIniFile(settingsFile(FilePath));
    if (fRep) {
        fRep->close();
        delete fRep;
        fRep = nullptr;
    }
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
