#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "connection/params.h"
#include "connection/texts.h"
#include "panel/AimingTone.h"
#include "panel/AlarmSound.h"
#include "panel/scales.h"
#include "panel/startup.h"
#include "panel/widgets.h"
#include "trend/SessionBook.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

// The one window: the termination signal, the exit hook and the tests reach it through this.
TfmMain* fmMain = nullptr;

TfmMain::TfmMain(QWidget* parent)
    : QWidget(parent), connection(new DetectorConnection(this)), Detector(connection->Detector)
{
    fmMain = this;
    connection->setScreen(this);
    connection->dialogsOpen = [this] {
        // Whatever sits over the dialog (its help, its error box) goes with it: the loss is
        // shown now, not when somebody comes back to the laptop.
        if (FSettingDialog)
            closeDialogs();
        return FSettingDialog != nullptr;
    };
    tiTr = new QTimer(this);
    tiTr->setInterval(3000);
    alarmSound = createAlarmSound(this);
    aimingTone = new AimingTone(this);
    startSession();

    buildLayout();
    PM = std::make_unique<TPorogMarker>(pbPorogMarker);
    PH = std::make_unique<TPoleHyst>(pbPoleHyst);
    UH = std::make_unique<TUstHyst>(pbUstHyst);
    UM = std::make_unique<TUstMarker>(pbUstHystMarker);
    connectHandlers();
    FormCreate();
}

TfmMain::~TfmMain()
{
    if (!FDestroyed)
        FormDestroy();
    // Gone before the rest of the window: nothing it still does may reach a half-destroyed view.
    connection->setScreen(nullptr);
    connection->disconnect(this);
    delete connection;
    if (fmMain == this)
        fmMain = nullptr;
}

void TfmMain::connectHandlers()
{
    DetectorConnection* c = connection;
    DetectorLink* link = c->link;
    connect(c, &DetectorConnection::searchStarted, this, [this] {
        leRepair->setEnabled(false);
        VivMess(QString::fromUtf8(MSG_WAIT), QString());
    });
    connect(c, &DetectorConnection::searchFailed, this, &TfmMain::showSearchFailed);
    connect(c, &DetectorConnection::linkLost, this, &TfmMain::showLinkLost);
    connect(c, &DetectorConnection::linkEstablished, this, &TfmMain::unitIdentified);
    connect(c, &DetectorConnection::replyChanged, this, &TfmMain::showReply);
    connect(c, &DetectorConnection::unitChanged, this, &TfmMain::showPairNote);
    connect(c, &DetectorConnection::countdownChanged, this,
            [this](int seconds) { leRepair->setText(QString::number(seconds)); });
    connect(c, &DetectorConnection::portChanged, stPort, &QLabel::setText);
    connect(c, &DetectorConnection::lineSpeedChanged, this,
            [this](TComPortBaudRate rate) { stBaud->setText(baudText(rate)); });
    connect(c, &DetectorConnection::logCleared, this, [this] {
        lbStepInit->clear();
        stPortTrouble->hide();
    });
    connect(c, &DetectorConnection::logLineAdded, this, [this](const QString& line) {
        lbStepInit->addItem(line);
        lbStepInit->scrollToBottom();
    });
    // Queued, like every box: a file is written from inside the search and the receive path.
    connect(c, &DetectorConnection::fileTrouble, this, &TfmMain::showFileTrouble, Qt::QueuedConnection);
    connect(link, &DetectorLink::speedSwitchRefused, this, &TfmMain::ShowSpeedRefused);
    // Queued: the box is opened from the event loop, not from inside the receive path.
    connect(link, &DetectorLink::receiveFailed, this, &TfmMain::ShowReceiveError, Qt::QueuedConnection);
    connect(link, &DetectorLink::replyAccepted, this, &TfmMain::recordPoll);
    connect(link, &DetectorLink::replyAccepted, this, &TfmMain::updateAimingTone);
    connect(c, &DetectorConnection::linkLost, this, &TfmMain::updateAimingTone);
    connect(c, &DetectorConnection::searchStarted, this, &TfmMain::updateAimingTone);
    connect(tiTr, &QTimer::timeout, this, &TfmMain::tiTrTimer);
    connect(bbFind, &QPushButton::clicked, this, &TfmMain::bbFindClick);
    connect(bbInitClose, &QPushButton::clicked, this, &QWidget::close);
    connect(bbClose, &QPushButton::clicked, this, &QWidget::close);
    connect(bbAbout, &QPushButton::clicked, this, &TfmMain::bbAboutClick);
    connect(bbLiter, &QPushButton::clicked, this, &TfmMain::bbLiterClick);
    connect(bbSkor, &QPushButton::clicked, this, &TfmMain::bbSkorClick);
    connect(bbAddr, &QPushButton::clicked, this, &TfmMain::bbAddrClick);
    connect(bbPlus, &QPushButton::clicked, this, &TfmMain::bbPlusClick);
    connect(bbMinus, &QPushButton::clicked, this, &TfmMain::bbMinusClick);
    connect(sbRabota, &QPushButton::clicked, this, &TfmMain::sbRabotaClick);
    connect(sbUst, &QPushButton::clicked, this, &TfmMain::sbUstClick);
    connect(sbHelpDej, &QPushButton::clicked, this, &TfmMain::sbHelpDejClick);
    connect(sbHelpUst, &QPushButton::clicked, this, &TfmMain::sbHelpUstClick);
    connect(sbZvonok, &QPushButton::clicked, this, &TfmMain::sbZvonokClick);
    connect(sbAim, &QPushButton::toggled, this, &TfmMain::updateAimingTone);
    connect(bbTrend, &QPushButton::clicked, this, &TfmMain::bbTrendClick);
    pbPorogMarker->onMousePress = [this](QMouseEvent* e) { pbPorogMarkerMouseDown(e); };
    pbPorogMarker->onMouseMove = [this](QMouseEvent* e) { pbPorogMarkerMouseMove(e); };
    pbPorogMarker->onMouseRelease = [this](QMouseEvent* e) { pbPorogMarkerMouseUp(e); };
}

std::array<TickShape*, 7> TfmMain::shPole() const
{
    return {shPole3_0, shPole2_5, shPole2_0, shPole1_5, shPole1_0, shPole0_5, shPole0_0};
}
std::array<TickShape*, 7> TfmMain::shUst() const
{
    return {shUst3_0, shUst2_5, shUst2_0, shUst1_5, shUst1_0, shUst0_5, shUst0_0};
}
std::array<QLabel*, 7> TfmMain::laPole() const
{
    return {laPole3_0, laPole2_5, laPole2_0, laPole1_5, laPole1_0, laPole0_5, laPole0_0};
}
std::array<QLabel*, 7> TfmMain::laUst() const
{
    return {laUst3_0, laUst2_5, laUst2_0, laUst1_5, laUst1_0, laUst0_5, laUst0_0};
}
