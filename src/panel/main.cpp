#include "panel/main.h"

#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
#include "panel/AlarmSound.h"
#include "panel/scales.h"
#include "panel/widgets.h"

#include <QTimer>

TfmMain* fmMain = nullptr;

TfmMain::TfmMain(QWidget* parent) : QWidget(parent)
{
    fmMain = this;
    link = new DetectorLink(this, this);
    COMP = link->COMP;
    tiTimeWaitRepl = link->tiTimeWaitRepl;
    tiStep = new QTimer(this);
    tiStep->setSingleShot(true);
    tiStep->setTimerType(Qt::PreciseTimer);
    tiTr = new QTimer(this);
    tiTr->setInterval(3000);
    tiRepair = new QTimer(this);
    tiRepair->setInterval(1000);
    alarmSound = createAlarmSound(this);
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
    if (fmMain == this)
        fmMain = nullptr;
}

void TfmMain::connectHandlers()
{
    connect(link, &DetectorLink::replyTimeout, this, &TfmMain::tiTimeWaitReplTimer);
    connect(link, &DetectorLink::lineSpeedChanged, this, &TfmMain::SetCurBaud);
    connect(link, &DetectorLink::speedSwitchRefused, this, &TfmMain::ShowSpeedRefused);
    // Queued: the box is opened from the event loop, not from inside the receive path.
    connect(link, &DetectorLink::receiveFailed, this, &TfmMain::ShowReceiveError, Qt::QueuedConnection);
    connect(tiStep, &QTimer::timeout, this, [this] {
        auto step = std::move(FNextStep);
        FNextStep = nullptr;
        if (step && !FDestroyed)
            step();
    });
    connect(link, &DetectorLink::replyAccepted, this, &TfmMain::recordPoll);
    connect(tiTr, &QTimer::timeout, this, &TfmMain::tiTrTimer);
    connect(tiRepair, &QTimer::timeout, this, &TfmMain::tiRepairTimer);
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
    connect(bbTrend, &QPushButton::clicked, this, &TfmMain::bbTrendClick);
    pbPorogMarker->onMousePress = [this](QMouseEvent* e) { pbPorogMarkerMouseDown(e); };
    pbPorogMarker->onMouseMove = [this](QMouseEvent* e) { pbPorogMarkerMouseMove(e); };
    pbPorogMarker->onMouseRelease = [this](QMouseEvent* e) { pbPorogMarkerMouseUp(e); };
}

void TfmMain::after(int ms, std::function<void()> step)
{
    FNextStep = std::move(step);
    tiStep->start(ms);
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
