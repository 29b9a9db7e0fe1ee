#pragma once
// The main window: the view of the unit and its panel. It shows what its DetectorConnection
// finds and decodes, and asks it to act. Its methods are spread over the files of src/panel
// by what they do; each section below names its files.
#include "protocol/DetectorView.h"
#include "serial/PortDiagnosis.h"

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QFrame;
class QDialog;
class QTimer;
class QMouseEvent;
class PaintArea;
class TickShape;
class SpeedButton;
class ModeButtonPair;
class AlarmSound;
class AimingTone;
class TPorogMarker;
class TPoleHyst;
class TUstHyst;
class TUstMarker;
class DetectorConnection;
class SessionBook;
struct ReportFacts;
class SessionRecord;
class TrendWindow;
class JournalKeeper;
class JournalWindow;
enum TComPortBaudRate : std::uint8_t;

// Appearance saved while a dialog greys the window out; restored field by field.
struct TColorBufMainWin {
    QColor col_gbNastr_font, col_gbPar_font;
    QColor col_paRab, col_paUst, col_paKnReg, col_paMessage, col_paSost;
    QColor col_paMessage_font, col_paSost_font;
    QColor col_paKn, col_paRele, col_paPit, col_paKr;
    QColor col_font_paRele, col_font_paPit, col_font_paKr;
    QColor col_pbPorogMarker;
    QColor col_pbPoleAllHyst, col_pbPoleHyst;
    QColor col_ustHystVerh, col_ustHystMiddle, col_ustHystNiz;
    QColor col_ustMarker;
    QColor col_font_stPered;
    QColor col_shPole0_0, col_shPole0_5, col_shPole1_0, col_shPole1_5, col_shPole2_0, col_shPole2_5, col_shPole3_0;
    QColor col_shUst0_0, col_shUst0_5, col_shUst1_0, col_shUst1_5, col_shUst2_0, col_shUst2_5, col_shUst3_0;
    bool en_bbPlus = false, en_bbMinus = false, en_sbRabota = false, en_sbUst = false;
    bool en_sbRabota_AllowAllUp = false, en_sbUst_AllowAllUp = false;
    bool en_bbLiter = false, en_bbSkor = false, en_bbAddr = false, en_bbAbout = false, en_bbClose = false,
         en_bbTrend = false,
         en_laRele = false, en_laPit = false, en_laKr = false;
    bool down_sbRabota = false, down_sbUst = false;
    bool en_sbZvonok = false, en_sbAim = false, en_stPorogMarker = false, en_stPoleHyst = false, en_stUstHyst = false,
         en_stLiter = false, en_stSkor = false, en_stAddr = false, en_stPort = false, en_stIzv = false,
         en_stVersPr = false, en_stBaud = false, en_stPered = false, en_stPorogMarkerNadp = false,
         en_stPoleHystTitle = false, en_stUstHystTitle = false, en_sbHelpDej = false, en_sbHelpUst = false;
    bool en_laPole0_0 = false, en_laPole0_5 = false, en_laPole1_0 = false, en_laPole1_5 = false,
         en_laPole2_0 = false, en_laPole2_5 = false, en_laPole3_0 = false, en_laUst0_0 = false,
         en_laUst0_5 = false, en_laUst1_0 = false, en_laUst1_5 = false, en_laUst2_0 = false,
         en_laUst2_5 = false, en_laUst3_0 = false;
};

class TfmMain : public QWidget, public DetectorView {
    Q_OBJECT
public:
    explicit TfmMain(QWidget* parent = nullptr);
    ~TfmMain() override;

    // ---- Controls (built in panel/layout.cpp) ----
    QLabel* paInit = nullptr;
    QLabel* stMessage = nullptr;
    QLabel* stText = nullptr;
    QLabel* stPortTrouble = nullptr;  // why ports would not open, under stText
    QLabel* laStepInit = nullptr;
    QListWidget* lbStepInit = nullptr;
    QLabel* laRepair = nullptr;  // the label on the left of leRepair
    QLineEdit* leRepair = nullptr;
    QPushButton* bbFind = nullptr;
    QPushButton* bbInitClose = nullptr;

    QLabel* paMain = nullptr;
    QGroupBox* gbNastr = nullptr;
    QLabel* paRab = nullptr;
    QLabel* paUst = nullptr;
    QLabel* paKnReg = nullptr;
    QLabel* paMessage = nullptr;
    QLabel* paSost = nullptr;
    QLabel* stPorogMarkerNadp = nullptr;
    QLabel* stPoleHystTitle = nullptr;
    QPushButton* bbPlus = nullptr;
    QPushButton* bbMinus = nullptr;
    PaintArea* pbPoleHyst = nullptr;
    PaintArea* pbPorogMarker = nullptr;
    TickShape *shPole3_0 = nullptr, *shPole2_5 = nullptr, *shPole2_0 = nullptr, *shPole1_5 = nullptr,
              *shPole1_0 = nullptr, *shPole0_5 = nullptr, *shPole0_0 = nullptr;
    QLabel *laPole3_0 = nullptr, *laPole2_5 = nullptr, *laPole2_0 = nullptr, *laPole1_5 = nullptr,
           *laPole1_0 = nullptr, *laPole0_5 = nullptr, *laPole0_0 = nullptr;
    QLabel* stPorogMarker = nullptr;
    QLabel* stPoleHyst = nullptr;
    QPushButton* sbHelpDej = nullptr;
    QLabel* stUstHystTitle = nullptr;
    PaintArea* pbUstHyst = nullptr;
    PaintArea* pbUstHystMarker = nullptr;
    TickShape *shUst3_0 = nullptr, *shUst2_5 = nullptr, *shUst2_0 = nullptr, *shUst1_5 = nullptr,
              *shUst1_0 = nullptr, *shUst0_5 = nullptr, *shUst0_0 = nullptr;
    QLabel *laUst3_0 = nullptr, *laUst2_5 = nullptr, *laUst2_0 = nullptr, *laUst1_5 = nullptr,
           *laUst1_0 = nullptr, *laUst0_5 = nullptr, *laUst0_0 = nullptr;
    QLabel* stUstHyst = nullptr;
    QPushButton* sbHelpUst = nullptr;
    SpeedButton* sbRabota = nullptr;
    SpeedButton* sbUst = nullptr;
    ModeButtonPair* modePair = nullptr;

    QGroupBox* gbPar = nullptr;
    QLabel* paPar = nullptr;
    QFrame *Bevel1 = nullptr, *Bevel2 = nullptr, *Bevel3 = nullptr, *Bevel4 = nullptr;
    QLabel* laLiter = nullptr;
    QLabel* stLiter = nullptr;
    QPushButton* bbLiter = nullptr;
    QLabel* laSkor = nullptr;
    QLabel* stSkor = nullptr;
    QPushButton* bbSkor = nullptr;
    QLabel* laAddr = nullptr;
    QLabel* stAddr = nullptr;
    QPushButton* bbAddr = nullptr;
    QLabel* laPort = nullptr;
    QLabel* stPort = nullptr;
    QLabel* laIzv = nullptr;
    QLabel* stIzv = nullptr;
    QLabel* laBaud = nullptr;
    QLabel* stBaud = nullptr;
    QLabel* laVersPr = nullptr;
    QLabel* stVersPr = nullptr;
    QLabel* stPered = nullptr;
    SpeedButton* sbZvonok = nullptr;
    SpeedButton* sbAim = nullptr;  // the aiming tone on and off
    QPushButton* bbTrend = nullptr;

    QLabel* paKn = nullptr;
    QLabel* laRele = nullptr;
    QLabel* paRele = nullptr;
    QLabel* laPit = nullptr;
    QLabel* paPit = nullptr;
    QLabel* laKr = nullptr;
    QLabel* paKr = nullptr;
    QPushButton* bbAbout = nullptr;
    QPushButton* bbClose = nullptr;

    // The tick shapes and figure labels top to bottom (3.0 .. 0.0), for loops.
    std::array<TickShape*, 7> shPole() const;
    std::array<TickShape*, 7> shUst() const;
    std::array<QLabel*, 7> laPole() const;
    std::array<QLabel*, 7> laUst() const;

    // ---- Non-visual parts ----
    // Finds the unit, keeps the link and holds the unit's values; the window shows them.
    DetectorConnection* connection = nullptr;
    QTimer* tiTr = nullptr;
    AlarmSound* alarmSound = nullptr;
    AimingTone* aimingTone = nullptr;

    // ---- The scales' drawers (panel/scales.cpp), made with the paint areas they follow ----
    std::unique_ptr<TPorogMarker> PM;
    std::unique_ptr<TPoleHyst> PH;
    std::unique_ptr<TUstHyst> UH;
    std::unique_ptr<TUstMarker> UM;

    // ---- State ----
    // The unit's values: the connection's record, which the setters below also write when the
    // user changes a setting.
    TDetectorState& Detector;
    TColorBufMainWin CBMW;
    TPosPorog FBufPosPorog = 0;
    TValPole FValPosPor = 0;
    bool FFlagDisableMainWindow = false;
    TPosUstMarker BufUstMarkerPos = 0;
    bool BufFlagTr = false;
    TValPole BufValPole = 0;

    // ---- Start-up and files (panel/startup.cpp, panel/settings.cpp) ----
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void ReadIniFile(const QString& FileName);
    void WriteIniFile(const QString& FileName);
    // Where the settings are kept, for whatever else remembers something in them.
    QString SettingsFileName() const;
    // The command line, read when the window is first shown; set before that.
    QStringList arguments;

    // ---- The start page (panel/startpage.cpp): what the connection says while no unit answers ----
    // The box that reports a faulty reply, shown from the event loop, never from inside the
    // receive path; once closed, the exchange carries on as after a missed reply.
    void ShowReceiveError(const QString& text);
    void ShowPortTroubles(const QList<PortTrouble>& troubles);
    void showSearchFailed(const QString& message, const QList<PortTrouble>& troubles);
    void showLinkLost();
    void showReply(bool answering);
    // A file of ours could not be written: said without stopping anything.
    void showFileTrouble(const QString& text);
    void bbFindClick();

    // ---- Layout, colours, greying out (panel/layout.cpp, panel/greying.cpp) ----
    void InitInterf();
    void DisableMainWindow();
    void RestoreMainWindow();
    bool FlagDisableMainWindow() const { return FFlagDisableMainWindow; }
    void SetFlagDisableMainWindow(bool Value) { FFlagDisableMainWindow = Value; }

    // ---- Detector state and indications (panel/state.cpp); what a decoded reply sets ----
    TRejim Rejim() const override { return Detector.FRejim; }
    void SetRejim(TRejim Value) override;
    void SetReqState(std::uint8_t rs) override;
    TIdent Ident() const override { return Detector.FIdent; }
    void SetIdent(TIdent Value) override;
    void PoiskIdent(std::uint8_t code) override;
    std::array<std::uint8_t, 2> VersPr() const { return Detector.FVersPr; }
    void SetVersPr(std::array<std::uint8_t, 2> Value) override;
    bool FlagTr() const { return Detector.FFlagTr; }
    void SetFlagTr(bool Value) override;
    void SetLit(TLitera Value) override;
    void SetScor(Skorost Value) override;
    void SetAddr(std::int32_t Value) override;
    // A unit was recognised: its view comes up.
    void TransmitterFound() override;
    void ReceiverFound() override;
    void tiTrTimer();
    void sbZvonokClick();

    // ---- The aiming tone (panel/aiming.cpp) ----
    // Hands the tone what the window knows now: after every reply, a dialog, a lost link.
    void updateAimingTone();

    // ---- Views, modes, messages (panel/views.cpp, panel/messages.cpp) ----
    void EnablePeredInterf();
    void EnablePriemInterf();
    // The receiver stays at 4800 bit/s: it would not move to wantedBaud.
    void ShowSpeedRefused(qint32 wantedBaud);
    // A receiver whose letter is not its transmitter's is told so in the note line.
    void showPairNote();
    QString FSpeedNote;
    QString FPairNote;
    void sbRabotaClick();
    void sbUstClick();
    void sbHelpDejClick();
    void sbHelpUstClick();
    void VivMess(const QString& Mes, const QString& TextMes);
    void VivError(const QString& ErrMes, const QString& TextMes);
    void SetButtons(bool enabled);

    // ---- Threshold and values (panel/values.cpp) ----
    TPosPorog PosPorog() const { return Detector.FPosPorog; }
    void SetPosPorog(TPosPorog p) override;
    TValPole ValPosPor() const { return FValPosPor; }
    void SetValPosPor(TValPole Value) { FValPosPor = Value; }
    TPosUstMarker UstMarkerPos() const { return Detector.FPosUstMarker; }
    void SetPosUstMarker(TPosUstMarker s) override;
    void SetValPole(TValPole v) override;
    void ValPoleUpdate();
    void bbPlusClick();
    void bbMinusClick();
    void pbPorogMarkerMouseDown(QMouseEvent* e);
    void pbPorogMarkerMouseMove(QMouseEvent* e);
    void pbPorogMarkerMouseUp(QMouseEvent* e);

    // ---- The sessions' records and the trend window (panel/session.cpp) ----
    // One session per unit found in this run; record is the current one, polls go there.
    std::unique_ptr<SessionBook> sessions;
    std::shared_ptr<SessionRecord> record;
    TrendWindow* fmTrend = nullptr;
    void startSession();
    // A unit was found (or found again): its own session goes on, or a new one begins.
    void unitIdentified();
    // The window is closing: the trend goes with it.
    void endSession();
    // The link is lost: the record leaves a gap until polling runs again.
    void recordGap();
    // Called after every accepted reply: what the panel shows becomes one sample of the record.
    void recordPoll();
    void bbTrendClick();
    // Opened the first time where the settings file saw it last, if a screen still shows it;
    // else beside the main window.
    void placeTrendWindow();
    void keepTrendGeometry();
    void keepWalkPlaces(const QStringList& places);
    void saveSessionCsv();
    // The exchange capture, switched from the trend window.
    void captureToggled(bool on);
    void captureFailed(const QString& text);
    // The site journal: every session's summary, and the window over the site's sections.
    JournalKeeper* journal = nullptr;
    JournalWindow* fmJournal = nullptr;
    void openJournal();
    // The commissioning record of the pair: asks for the site, section, installer and
    // conditions, then for the file.
    void makeReport();
    bool writeReport(const QString& path, const ReportFacts& asked, QString* error);

    // ---- Playing an exchange capture (panel/playback.cpp) ----
    // The title names the recording; nothing that would send can be used, nor a new search.
    void showPlayback();
    void lockForPlayback();
    void showPlaybackEnded();

    // ---- Dialog openers (panel/openers.cpp) ----
    // The panel's labels follow what the settings dialogs show while they are open.
    void connectDialogs();
    bool SettingDialogsAllowed() const;
    // The dialog open over the greyed-out window (a settings dialog or the about box), if any.
    QDialog* FSettingDialog = nullptr;
    // A settings button clicked while the line changes speed: its opener, run once polling
    // runs, unless the link is lost first.
    void (TfmMain::*FPendingOpener)() = nullptr;
    bool FPendingQueued = false;
    bool deferWhileSwitching(void (TfmMain::*opener)());
    void openPendingDialog();
    void bbLiterClick();
    void bbSkorClick();
    void bbAddrClick();
    void bbAboutClick();

protected:
    // panel/startup.cpp
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildLayout();  // panel/layout.cpp
    void connectHandlers();  // panel/main.cpp, with the constructor
    bool FShown = false;
    bool FDestroyed = false;
    bool FReceiveErrorShown = false;
};

extern TfmMain* fmMain;

// Creates the main window and then the dialogs, in the order the program needs them
// (panel/startup.cpp).
void CreateForms();
// Frees them again (the main window last), so a test can start afresh.
void DestroyForms();
