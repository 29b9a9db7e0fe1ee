#include "panel/main.h"

#include "connection/DetectorConnection.h"
#include "dialogs/addr.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "panel/colors.h"
#include "panel/ProgramStyle.h"
#include "panel/fonts.h"
#include "panel/scales.h"
#include "panel/texts.h"
#include "panel/widgets.h"

#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <tuple>
#include <utility>

namespace {
constexpr int CLIENT_W = 794, CLIENT_H = 471, KN_H = 41;
constexpr int PX8 = 11, PX10 = 13, PX11 = 15, PX12 = 16;

// Tops of the scale ticks and figure labels, 3.0 V down to 0.0 V, and the tick widths.
constexpr int TICK_TOPS[7] = {68, 95, 120, 144, 168, 193, 218};
constexpr int TICK_WIDTHS[7] = {15, 10, 15, 10, 15, 10, 15};
constexpr int FIGURE_TOPS[7] = {58, 85, 110, 134, 158, 183, 208};

template <class Label = QLabel>
Label* panel(QWidget* parent, const QRect& r, int frame, const QString& text = QString())
{
    auto* p = new Label(text, parent);
    p->setGeometry(r);
    p->setFrameStyle(frame);
    p->setLineWidth(1);
    p->setAlignment(Qt::AlignCenter);
    return p;
}

QLabel* readOut(QWidget* parent, const QRect& r)
{
    return panel(parent, r, QFrame::Panel | QFrame::Sunken);
}

// A read-out whose text may not fit: it keeps both ends.
QLabel* elidedReadOut(QWidget* parent, const QRect& r)
{
    return panel<ElidedLabel>(parent, r, QFrame::Panel | QFrame::Sunken);
}

// A caption that sizes itself to its text, as labels do.
QLabel* label(QWidget* parent, int x, int y, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel* title(QWidget* parent, const QRect& r, const QString& text)
{
    auto* t = new QLabel(text, parent);
    t->setGeometry(r);
    t->setAlignment(Qt::AlignCenter);
    t->setFont(programFont(PX11));
    return t;
}

QPushButton* button(QWidget* parent, const QRect& r, const QString& text, const char* icon = nullptr)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(r);
    if (icon)
        b->setIcon(QIcon(icon));
    return b;
}

// Out of the tab order, but still focused by a click like any button.
QPushButton* untabbedButton(QWidget* parent, const QRect& r, const QString& text, const char* icon = nullptr)
{
    auto* b = button(parent, r, text, icon);
    b->setFocusPolicy(Qt::ClickFocus);
    return b;
}

TickShape* tick(QWidget* parent, int left, int level)
{
    auto* t = new TickShape(parent);
    t->setGeometry(left, TICK_TOPS[level], TICK_WIDTHS[level], 2);
    return t;
}

QLabel* figure(QWidget* parent, int left, int level)
{
    auto* l = new QLabel(CAPT_SCALE_FIGURES[level], parent);
    l->setGeometry(left, FIGURE_TOPS[level], 21, 18);
    l->setFont(programFont(PX11));
    return l;
}

// The connection log's lines are a fixed 19 px apart.
class FixedRowHeight : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override
    {
        return {QStyledItemDelegate::sizeHint(o, i).width(), 19};
    }
};

// The start page and the panel fill the client area above the bottom bar whenever the bar
// is shown, and all of it when the bar is hidden. The bar is hidden exactly while the start
// page lies over the panel; the panel's controls then leave the Tab order, so that the
// keyboard never lands on a control nobody can see.
class LayerFitter : public QObject {
public:
    LayerFitter(QWidget* bar, QWidget* a, QWidget* b) : QObject(bar), FBar(bar), FA(a), FB(b)
    {
        bar->installEventFilter(this);
        fit();
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent)
            fit();
        return false;
    }

private:
    void fit()
    {
        const int h = FBar->isHidden() ? CLIENT_H : CLIENT_H - KN_H;
        FA->setGeometry(0, 0, CLIENT_W, h);
        FB->setGeometry(0, 0, CLIENT_W, h);
        coverPanel(FBar->isHidden());
    }
    void coverPanel(bool covered)
    {
        if (covered == FCovered)
            return;
        FCovered = covered;
        if (!covered) {
            for (const auto& [w, policy] : FPolicies)
                if (w)
                    w->setFocusPolicy(policy);
            FPolicies.clear();
            return;
        }
        QWidget* focused = FB->window()->focusWidget();
        if (focused && FB->isAncestorOf(focused))
            focused->clearFocus();
        for (QWidget* w : FB->findChildren<QWidget*>()) {
            if (w->focusPolicy() == Qt::NoFocus)
                continue;
            FPolicies.append({w, w->focusPolicy()});
            w->setFocusPolicy(Qt::NoFocus);
        }
    }
    QWidget *FBar, *FA, *FB;
    bool FCovered = false;
    QList<std::pair<QPointer<QWidget>, Qt::FocusPolicy>> FPolicies;
};

QIcon speakerIcon()
{
    QIcon i;
    i.addFile(":/images/speaker.xpm", {}, QIcon::Normal, QIcon::Off);
    i.addFile(":/images/speaker_muted.xpm", {}, QIcon::Normal, QIcon::On);
    i.addFile(":/images/speaker_grey.xpm", {}, QIcon::Disabled, QIcon::Off);
    i.addFile(":/images/speaker_grey.xpm", {}, QIcon::Disabled, QIcon::On);
    return i;
}

QIcon aimIcon()
{
    QIcon i;
    i.addFile(":/images/aim_tone.xpm", {}, QIcon::Normal);
    i.addFile(":/images/aim_tone_grey.xpm", {}, QIcon::Disabled);
    return i;
}
}  // namespace

namespace {
void buildKeyboardAccess(TfmMain* m)
{
    // The threshold scale takes the keyboard in its buttons' place (they stay out of the Tab
    // order): the arrows click them, so the same limits and the same command apply.
    m->pbPorogMarker->setFocusPolicy(Qt::StrongFocus);
    m->pbPorogMarker->onKeyPress = [m](QKeyEvent* e) {
        QPushButton* b = e->key() == Qt::Key_Up ? m->bbPlus : e->key() == Qt::Key_Down ? m->bbMinus : nullptr;
        if (!b) {
            e->ignore();
            return;
        }
        b->click();
    };

    const std::pair<QWidget*, const char*> names[] = {
        {m->bbPlus, ACC_BB_PLUS},
        {m->bbMinus, ACC_BB_MINUS},
        {m->pbPorogMarker, ACC_PB_POROG},
        {m->pbPoleHyst, ACC_PB_POLE},
        {m->pbUstHystMarker, ACC_PB_UST},
        {m->sbHelpDej, ACC_SB_HELP_DEJ},
        {m->sbHelpUst, ACC_SB_HELP_UST},
        {m->sbZvonok, ACC_SB_ZVONOK},
        {m->sbAim, ACC_SB_AIM},
        {m->bbLiter, ACC_BB_LITER},
        {m->bbSkor, ACC_BB_SKOR},
        {m->bbAddr, ACC_BB_ADDR},
        {m->lbStepInit, ACC_LB_STEP_INIT},
    };
    for (const auto& [w, name] : names)
        w->setAccessibleName(QString::fromUtf8(name));
    m->pbPorogMarker->setAccessibleDescription(QString::fromUtf8(ACC_PB_POROG_HINT));

    // A read-out is announced with its caption.
    const std::pair<QLabel*, QWidget*> captions[] = {
        {m->laLiter, m->stLiter}, {m->laSkor, m->stSkor}, {m->laAddr, m->stAddr}, {m->laPort, m->stPort},
        {m->laIzv, m->stIzv},     {m->laBaud, m->stBaud}, {m->laVersPr, m->stVersPr},
        {m->laRele, m->paRele},   {m->laPit, m->paPit},   {m->laKr, m->paKr},
    };
    for (const auto& [caption, value] : captions)
        caption->setBuddy(value);

    // Tab leaves these out, so each has a key of its own, for gloved hands on the fence line.
    // Single function keys: one press, the same under a Russian or a Latin layout, and no
    // focused line edit takes them first. Left to right as the controls sit, skipping the
    // keys the toolkit or the system already mean something by: F1 help, F5 refresh, F10 the
    // menu, F11 full screen. The aiming tone's F3 is out of that order: it sits beside F4,
    // the alignment the tone serves, and its "find next" means nothing in a program that
    // finds nothing, nor does any desktop take it.
    const std::tuple<QAbstractButton*, const char*, Qt::Key> keys[] = {
        {m->sbRabota, CAPT_SB_RABOTA, Qt::Key_F2}, {m->sbAim, ACC_SB_AIM, Qt::Key_F3},
        {m->sbUst, CAPT_SB_UST, Qt::Key_F4},       {m->bbLiter, ACC_BB_LITER, Qt::Key_F6},
        {m->bbSkor, ACC_BB_SKOR, Qt::Key_F7},       {m->bbAddr, ACC_BB_ADDR, Qt::Key_F8},
        {m->bbTrend, CAPT_BB_TREND, Qt::Key_F9},    {m->sbZvonok, ACC_SB_ZVONOK, Qt::Key_F12},
    };
    for (const auto& [b, name, key] : keys) {
        const QKeySequence sequence(key);
        b->setToolTip(QString::fromUtf8(TIP_WITH_KEY)
                          .arg(QString::fromUtf8(name), sequence.toString(QKeySequence::NativeText)));
        auto* shortcut = new QShortcut(sequence, m);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, b, [m, b = b] {
            // A click, so nothing for a control that cannot be clicked: hidden, greyed, or
            // under the start page (the bottom bar shows exactly while the panel is up).
            if (m->paKn->isVisible() && b->isVisible() && b->isEnabled())
                b->click();
        });
    }
}
}  // namespace

void TfmMain::buildLayout()
{
    useProgramStyle();
    loadProgramFont();

    setWindowTitle(CAPT_MAIN_WINDOW);
    setWindowIcon(QIcon(":/images/program.xpm"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(CLIENT_W, CLIENT_H);
    setBackground(this, clBtnFace());
    setTextColor(this, clWindowText());
    setFont(programFont(PX8));

    // ---- The detector panel (behind) ----
    paMain = panel(this, {0, 0, CLIENT_W, CLIENT_H - KN_H}, QFrame::Panel | QFrame::Raised);
    setBackground(paMain, clBtnFace());

    gbNastr = new QGroupBox(CAPT_GB_NASTR, paMain);
    gbNastr->setGeometry(1, 1, 336, 428);
    setBackground(gbNastr, clActiveCaption());
    gbNastr->setFont(programFont(PX12));

    paRab = panel(gbNastr, {2, 21, 222, 282}, QFrame::Panel | QFrame::Raised);
    paUst = panel(gbNastr, {224, 21, 110, 282}, QFrame::Panel | QFrame::Raised);
    paKnReg = panel(gbNastr, {2, 303, 332, 39}, QFrame::Panel | QFrame::Raised);
    paMessage = panel(gbNastr, {2, 342, 332, 42}, QFrame::Box | QFrame::Plain);
    paSost = panel(gbNastr, {2, 384, 332, 42}, QFrame::Box | QFrame::Plain, CAPT_PA_SOST_DESIGN);
    for (QLabel* p : {paRab, paUst, paKnReg, paMessage})
        setBackground(p, clBtnFace());
    setBackground(paSost, clMoneyGreen);

    // Threshold and field deviation. Stacking follows creation: the bar, the marker over it,
    // then ticks and figures over both.
    stPorogMarkerNadp = title(paRab, {5, 29, 64, 23}, CAPT_ST_POROG_TITLE);
    stPoleHystTitle = title(paRab, {76, 16, 109, 45}, CAPT_ST_POLE_TITLE);
    stPoleHystTitle->setWordWrap(true);
    bbPlus = untabbedButton(paRab, {23, 58, 25, 25}, QString(), ":/images/arrow_up.xpm");
    bbMinus = untabbedButton(paRab, {23, 180, 25, 25}, QString(), ":/images/arrow_down.xpm");
    pbPoleHyst = new PaintArea(paRab);
    pbPoleHyst->setGeometry(77, 67, 89, 154);
    pbPorogMarker = new PaintArea(paRab);
    pbPorogMarker->setGeometry(14, 89, 162, 85);
    shPole3_0 = tick(paRab, 172, 0);
    shPole2_5 = tick(paRab, 172, 1);
    shPole2_0 = tick(paRab, 172, 2);
    shPole1_5 = tick(paRab, 172, 3);
    shPole1_0 = tick(paRab, 172, 4);
    shPole0_5 = tick(paRab, 172, 5);
    shPole0_0 = tick(paRab, 172, 6);
    laPole3_0 = figure(paRab, 190, 0);
    laPole2_5 = figure(paRab, 190, 1);
    laPole2_0 = figure(paRab, 190, 2);
    laPole1_5 = figure(paRab, 190, 3);
    laPole1_0 = figure(paRab, 190, 4);
    laPole0_5 = figure(paRab, 190, 5);
    laPole0_0 = figure(paRab, 190, 6);
    stPorogMarker = readOut(paRab, {11, 239, 50, 25});
    stPoleHyst = readOut(paRab, {96, 239, 50, 25});
    sbHelpDej = button(paRab, {186, 240, 23, 22}, QString(), ":/images/help.xpm");

    // Alignment.
    stUstHystTitle = title(paUst, {11, 29, 75, 21}, CAPT_ST_UST_TITLE);
    pbUstHyst = new PaintArea(paUst);
    pbUstHyst->setGeometry(24, 66, 33, 157);
    pbUstHystMarker = new PaintArea(paUst);
    pbUstHystMarker->setGeometry(18, 66, 45, 157);
    shUst3_0 = tick(paUst, 61, 0);
    shUst2_5 = tick(paUst, 61, 1);
    shUst2_0 = tick(paUst, 61, 2);
    shUst1_5 = tick(paUst, 61, 3);
    shUst1_0 = tick(paUst, 61, 4);
    shUst0_5 = tick(paUst, 61, 5);
    shUst0_0 = tick(paUst, 61, 6);
    laUst3_0 = figure(paUst, 79, 0);
    laUst2_5 = figure(paUst, 79, 1);
    laUst2_0 = figure(paUst, 79, 2);
    laUst1_5 = figure(paUst, 79, 3);
    laUst1_0 = figure(paUst, 79, 4);
    laUst0_5 = figure(paUst, 79, 5);
    laUst0_0 = figure(paUst, 79, 6);
    stUstHyst = readOut(paUst, {16, 239, 50, 25});
    sbHelpUst = button(paUst, {76, 240, 23, 22}, QString(), ":/images/help.xpm");

    // A greyed-out window shows its scales empty.
    pbPoleHyst->onPaint = [this](QPainter& p) { if (PH && !FFlagDisableMainWindow) PH->draw(p); };
    pbPorogMarker->onPaint = [this](QPainter& p) { if (PM && !FFlagDisableMainWindow) PM->draw(p); };
    pbUstHyst->onPaint = [this](QPainter& p) { if (UH && !FFlagDisableMainWindow) UH->draw(p); };
    pbUstHystMarker->onPaint = [this](QPainter& p) { if (UM && !FFlagDisableMainWindow) UM->draw(p); };

    sbRabota = new SpeedButton(CAPT_SB_RABOTA, paKnReg);
    sbRabota->setGeometry(79, 5, 89, 29);
    sbUst = new SpeedButton(CAPT_SB_UST, paKnReg);
    sbUst->setGeometry(224, 5, 100, 29);
    modePair = new ModeButtonPair(sbRabota, sbUst, this);

    gbPar = new QGroupBox(CAPT_GB_PAR, paMain);
    gbPar->setGeometry(337, 1, 456, 428);
    setBackground(gbPar, clInactiveCaption());
    gbPar->setFont(programFont(PX12));
    paPar = panel(gbPar, {2, 21, 452, 405}, QFrame::Panel | QFrame::Raised);
    setBackground(paPar, clBtnFace());

    Bevel1 = new QFrame(paPar);
    Bevel2 = new QFrame(paPar);
    Bevel3 = new QFrame(paPar);
    Bevel4 = new QFrame(paPar);
    const int bevelTops[4] = {80, 177, 258, 339};
    QFrame* bevels[4] = {Bevel1, Bevel2, Bevel3, Bevel4};
    for (int i = 0; i < 4; ++i) {
        bevels[i]->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        bevels[i]->setGeometry(2, bevelTops[i], 471, 2);
    }

    laLiter = label(paPar, 6, 33, CAPT_LA_LITER);
    stLiter = readOut(paPar, {71, 30, 47, 25});
    bbLiter = untabbedButton(paPar, {310, 15, 128, 55}, CAPT_BB_LITER_DESIGN);
    laSkor = label(paPar, 6, 120, CAPT_LA_SKOR);
    stSkor = readOut(paPar, {190, 117, 104, 25});
    bbSkor = untabbedButton(paPar, {310, 92, 128, 75}, CAPT_BB_SKOR_DESIGN);
    laAddr = label(paPar, 6, 207, CAPT_LA_ADDR);
    stAddr = readOut(paPar, {153, 204, 70, 25});
    bbAddr = untabbedButton(paPar, {310, 189, 128, 55}, CAPT_BB_ADDR_DESIGN);
    laPort = label(paPar, 6, 280, CAPT_LA_PORT);
    stPort = elidedReadOut(paPar, {63, 277, 91, 25});
    laIzv = label(paPar, 162, 280, CAPT_LA_IZV);
    stIzv = readOut(paPar, {263, 277, 184, 25});
    laBaud = label(paPar, 6, 311, CAPT_LA_BAUD);
    stBaud = readOut(paPar, {89, 308, 65, 25});
    laVersPr = label(paPar, 162, 311, CAPT_LA_VERS_PR);
    stVersPr = readOut(paPar, {263, 308, 68, 25});
    stPered = new QLabel(paPar);
    stPered->setGeometry(6, 350, 437, 40);
    stPered->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColor(stPered, clRed);
    {
        // Only greying the window out shows the note disabled, and then it must vanish: a
        // disabled label draws in the palette's grey, not in its own colour.
        QPalette p = stPered->palette();
        p.setColor(QPalette::Disabled, QPalette::WindowText, clBtnFace());
        stPered->setPalette(p);
    }
    sbZvonok = new SpeedButton(QString(), paPar);
    sbZvonok->setGeometry(393, 350, 45, 44);
    sbZvonok->setIcon(speakerIcon());
    sbZvonok->setIconSize({32, 32});
    // The aiming tone's switch beside the alarm's, alike: both are what the laptop sounds.
    sbAim = new SpeedButton(QString(), paPar);
    sbAim->setGeometry(341, 350, 45, 44);
    sbAim->setIcon(aimIcon());
    sbAim->setIconSize({32, 32});
    bbTrend = button(paPar, {230, 350, 104, 44}, QString::fromUtf8(CAPT_BB_TREND));

    // ---- The bottom bar ----
    paKn = panel(this, {0, CLIENT_H - KN_H, CLIENT_W, KN_H}, QFrame::Panel | QFrame::Raised);
    setBackground(paKn, clSkyBlue);
    paKn->setFont(programFont(PX12));
    laRele = label(paKn, 11, 10, CAPT_LA_RELE);
    paRele = panel(paKn, {57, 5, 121, 28}, QFrame::Panel | QFrame::Sunken, CAPT_PA_RELE_DESIGN);
    setBackground(paRele, clMoneyGreen);
    laPit = label(paKn, 195, 10, CAPT_LA_PIT);
    paPit = panel(paKn, {269, 5, 93, 28}, QFrame::Panel | QFrame::Sunken, CAPT_PA_PIT_DESIGN);
    setBackground(paPit, clMoneyGreen);
    laKr = label(paKn, 379, 10, CAPT_LA_KR);
    paKr = panel(paKn, {449, 5, 96, 28}, QFrame::Panel | QFrame::Sunken, CAPT_PA_KR_DESIGN);
    setBackground(paKr, clInfoBk());
    bbAbout = button(paKn, {568, 7, 107, 25}, CAPT_BB_ABOUT);
    bbAbout->setFont(programFont(PX10));
    bbClose = button(paKn, {696, 7, 75, 25}, CAPT_BB_CLOSE, ":/images/close.xpm");
    bbClose->setFont(programFont(PX10));
    paKn->hide();

    // ---- The start page (in front) ----
    paInit = panel(this, {0, 0, CLIENT_W, CLIENT_H}, QFrame::Panel | QFrame::Raised);
    setBackground(paInit, clBtnFace());
    paInit->setFont(programFont(PX12));
    stMessage = panel(paInit, {191, 21, 369, 30}, QFrame::Panel | QFrame::Sunken);
    stText = new QLabel(paInit);
    stText->setGeometry(210, 52, 335, 124);
    stText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A long explanation line wraps rather than losing its end at the right edge.
    stText->setWordWrap(true);
    stText->setFont(programFont(PX11));
    // Why ports would not open, under the explanation; placed when there is something to say.
    stPortTrouble = new QLabel(paInit);
    stPortTrouble->setWordWrap(true);
    stPortTrouble->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    stPortTrouble->setFont(programFont(PX10));
    setTextColor(stPortTrouble, QColor(160, 0, 0));
    stPortTrouble->hide();
    laStepInit = label(paInit, 195, 203, CAPT_LA_STEP_INIT);
    laStepInit->hide();
    lbStepInit = new QListWidget(paInit);
    lbStepInit->setGeometry(196, 229, 369, 126);
    lbStepInit->setItemDelegate(new FixedRowHeight(lbStepInit));
    lbStepInit->hide();
    leRepair = new QLineEdit(paInit);
    leRepair->setGeometry(287, 381, 45, 27);
    leRepair->setAlignment(Qt::AlignCenter);
    leRepair->setEnabled(false);
    laRepair = new QLabel(CAPT_LA_REPAIR, paInit);
    laRepair->adjustSize();
    // A labelled edit keeps its label 3 px to its left, centred on it.
    laRepair->move(leRepair->x() - 3 - laRepair->width(),
                   leRepair->y() + (leRepair->height() - laRepair->height()) / 2);
    laRepair->setBuddy(leRepair);
    bbFind = button(paInit, {57, 420, 188, 25}, CAPT_BB_FIND);
    bbInitClose = button(paInit, {524, 420, 230, 25}, CAPT_BB_INIT_CLOSE, ":/images/close.xpm");

    paInit->raise();
    buildKeyboardAccess(this);
    new LayerFitter(paKn, paInit, paMain);
}

void TfmMain::InitInterf()
{
    sbZvonok->hide();
    sbAim->hide();
    bbTrend->hide();
    paInit->raise();

    bbLiter->setEnabled(false);
    bbLiter->setText(CAPT_BB_LITER);
    bbSkor->setText(CAPT_BB_SKOR);
    bbSkor->setEnabled(false);
    bbAddr->setText(CAPT_BB_ADDR);
    bbAddr->setEnabled(false);

    setTextColor(gbNastr, clScrollBar());
    for (QLabel* p : {paRab, paUst, paKnReg})
        setBackground(p, clScrollBar());

    for (QLabel* p : {paMessage, paSost, paRele, paPit, paKr}) {
        setBackground(p, cl3DLight());
        setTextColor(p, clScrollBar());
        p->setText(QString());
    }

    for (TickShape* t : shPole())
        t->setPenColor(cl3DLight());
    for (TickShape* t : shUst())
        t->setPenColor(cl3DLight());

    bbPlus->setEnabled(false);
    bbMinus->setEnabled(false);
    sbRabota->setEnabled(false);
    modePair->SetDown(sbRabota, false);
    sbUst->setEnabled(false);
    modePair->SetDown(sbUst, false);

    for (QWidget* w : std::initializer_list<QWidget*>{
             stPorogMarker, stPoleHyst, stUstHyst, stLiter, stSkor, stAddr, stPort, stBaud, stIzv, stVersPr,
             stPorogMarkerNadp, stPoleHystTitle, stUstHystTitle, laRele, laPit, laKr, laLiter, laAddr, laSkor,
             laPort, laBaud, laIzv, laVersPr, sbHelpDej, sbHelpUst})
        w->setEnabled(false);
    for (QLabel* l : laPole())
        l->setEnabled(false);
    for (QLabel* l : laUst())
        l->setEnabled(false);

    PM->brColorMarker = cl3DLight();
    PH->brColorAllHyst = cl3DLight();
    PH->brColorPoleHyst = cl3DLight();
    UH->brColorUstHystVerh = cl3DLight();
    UH->brColorUstHystMiddle = cl3DLight();
    UH->brColorUstHystNiz = cl3DLight();
    UM->brColorUstMarker = cl3DLight();

    SetLit(1);
    SetScor(0);
    SetAddr(0);
    connection->fmIdent.SetIdent(-1);

    SetRejim(vklpit);
    SetFlagDisableMainWindow(false);

    stPered->setText(QString());
    stPered->hide();

    connection->SetCountTiRepair(0);
}
