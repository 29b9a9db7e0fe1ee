#include "trend/TrendWindow.h"

#include "panel/fonts.h"
#include "panel/state_texts.h"
#include "protocol/DetectorUnits.h"
#include "trend/LargeReadout.h"
#include "trend/SessionBook.h"
#include "trend/SessionRecord.h"
#include "trend/TrendText.h"
#include "trend/WalkPanel.h"
#include "trend/WalkTest.h"
#include "trend/texts.h"

#include <QAreaSeries>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr double TOP_VOLTS = 3.0;
constexpr int DEFAULT_COLUMNS = 600;

QLineSeries* lineSeries(const QColor& colour, qreal width, Qt::PenStyle style = Qt::SolidLine)
{
    auto* s = new QLineSeries;
    QPen pen(colour, width, style);
    pen.setCosmetic(true);
    s->setPen(pen);
    return s;
}

QScatterSeries* markSeries(const QColor& colour, qreal size)
{
    auto* s = new QScatterSeries;
    s->setColor(colour);
    s->setBorderColor(colour);
    s->setMarkerSize(size);
    s->setPointLabelsVisible(true);
    s->setPointLabelsClipping(false);
    s->setPointLabelsColor(colour.darker(150));
    s->setPointLabelsFormat(QStringLiteral("@yPoint") + QString::fromUtf8(VOLT_UNIT));
    return s;
}

// A peak's label reads as the panel does, in hundredths of a volt.
double hundredths(double v) { return std::round(v * 100) / 100; }

int plotColumns(const QChart* chart)
{
    const int w = int(chart->plotArea().width());
    return w > 0 ? w : DEFAULT_COLUMNS;
}

QPushButton* button(const char* text, QWidget* parent, bool checkable = false)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setCheckable(checkable);
    return b;
}
}  // namespace

constexpr int TrendWindow::SPANS[3];

TrendWindow::TrendWindow(SessionBook* sessions, QWidget* parent)
    : QWidget(parent, Qt::Window), FSessions(sessions), FRecord(sessions->current()), FRefresh(new QTimer(this))
{
    setObjectName(QStringLiteral("fmTrend"));
    setWindowTitle(QString::fromUtf8(TREND_TITLE));
    setFont(programFont(13));
    resize(820, 520);

    auto* top = new QHBoxLayout;
    spanButtons = new QButtonGroup(this);
    const char* spanTexts[3] = {SPAN_30S, SPAN_2MIN, SPAN_10MIN};
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = button(spanTexts[i], this, true);
        // The style's least width for a button is far wider than "30 с": beside the main
        // window on a laptop's screen the row would not fit.
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 2 * b->fontMetrics().height());
        spanButtons->addButton(b, SPANS[i]);
        top->addWidget(b);
    }
    spanButtons->button(FSpanSeconds)->setChecked(true);
    connect(spanButtons, &QButtonGroup::idClicked, this, &TrendWindow::setSpan);
    sbLarge = button(CAPT_SB_LARGE, this, true);
    top->addStretch(1);
    bbSaveCsv = button(CAPT_BB_SAVE_CSV, this);
    sbCapture = button(CAPT_SB_CAPTURE, this, true);
    bbReport = button(CAPT_BB_REPORT, this);
    for (QPushButton* b : {bbSaveCsv, sbCapture, bbReport})
        top->addWidget(b);
    connect(bbSaveCsv, &QPushButton::clicked, this, &TrendWindow::saveCsvRequested);
    connect(sbCapture, &QPushButton::clicked, this, &TrendWindow::captureToggled);
    connect(bbReport, &QPushButton::clicked, this, &TrendWindow::reportRequested);

    // The second row: which unit's session, and what the installer is doing with it.
    auto* second = new QHBoxLayout;
    cbSession = new QComboBox(this);
    cbSession->setObjectName(QStringLiteral("cbSession"));
    cbSession->setToolTip(QString::fromUtf8(HINT_SESSIONS));
    // Narrow enough that the window still stands beside the main one on a laptop.
    cbSession->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbSession->setMinimumContentsLength(12);
    connect(cbSession, qOverload<int>(&QComboBox::activated), this, &TrendWindow::showSession);
    sbWalk = button(CAPT_SB_WALK, this, true);
    sbWalk->setObjectName(QStringLiteral("sbWalk"));
    sbWalk->setToolTip(QString::fromUtf8(HINT_WALK));
    connect(sbWalk, &QPushButton::toggled, this, &TrendWindow::walkToggled);
    bbResetMax = button(CAPT_BB_RESET_MAX, this);
    bbResetMax->setObjectName(QStringLiteral("bbResetMax"));
    bbResetMax->setToolTip(QString::fromUtf8(HINT_RESET_MAX));
    connect(bbResetMax, &QPushButton::clicked, this, [this] {
        FRecord->resetMaxHold();
        refresh();
    });
    second->addWidget(cbSession, 1);
    second->addWidget(bbResetMax);
    second->addWidget(sbLarge);
    second->addWidget(sbWalk);

    buildChart();
    walkPanel = new WalkPanel(this);
    walkPanel->hide();
    connect(walkPanel, &WalkPanel::placesChanged, this, &TrendWindow::placesChanged);

    // Two figures a line, so that the window stays narrow enough to stand beside the main one.
    // A mode's labels share the cells of the other mode's, which are hidden meanwhile.
    auto* stats = new QGridLayout;
    stats->setHorizontalSpacing(3 * fontMetrics().height());
    for (QLabel** l : {&laRest, &laPeak, &laMargin, &laCrossings, &laSignal, &laMaxHold, &laNote})
        *l = new QLabel(this);
    stats->addWidget(laRest, 0, 0);
    stats->addWidget(laPeak, 0, 1);
    stats->addWidget(laMargin, 1, 0);
    stats->addWidget(laCrossings, 1, 1);
    stats->addWidget(laSignal, 0, 0);
    stats->addWidget(laMaxHold, 0, 1);
    laNote->setWordWrap(true);
    stats->addWidget(laNote, 0, 0, 1, 2);
    stats->setColumnStretch(2, 1);
    laRest->setObjectName(QStringLiteral("laRest"));
    laPeak->setObjectName(QStringLiteral("laPeak"));
    laMargin->setObjectName(QStringLiteral("laMargin"));
    laCrossings->setObjectName(QStringLiteral("laCrossings"));
    laSignal->setObjectName(QStringLiteral("laSignal"));
    laMaxHold->setObjectName(QStringLiteral("laMaxHold"));
    laNote->setObjectName(QStringLiteral("laNote"));

    // The walk test's table stands beside the chart: the crossing just made and its peak on
    // the chart are read together.
    auto* splitter = FSplitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(chartView);
    largeView = new LargeReadout(FRecord.get(), this);
    largeView->hide();
    splitter->addWidget(largeView);
    connect(sbLarge, &QPushButton::toggled, this, [this, splitter](bool on) {
        // The large view takes the chart's room exactly, whatever the walk test's table holds.
        QList<int> sizes = splitter->sizes();
        const int room = sizes[0] + sizes[1];
        chartView->setVisible(!on);
        largeView->setVisible(on);
        sizes[0] = on ? 0 : room;
        sizes[1] = on ? room : 0;
        splitter->setSizes(sizes);
    });
    splitter->addWidget(walkPanel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 2);
    splitter->setChildrenCollapsible(false);

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(second);
    column->addLayout(buildJournalRow());
    column->addWidget(splitter, 1);
    column->addLayout(stats);
    fillSessions();
    walkPanel->setRecord(FRecord.get());

    FRefresh->setInterval(REFRESH_MS);
    connect(FRefresh, &QTimer::timeout, this, &TrendWindow::refresh);
    refresh();
}

QLayout* TrendWindow::buildJournalRow()
{
    // The third row: the site journal, and the section the unit now plugged in belongs to.
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8(JOURNAL_LA_SECTION), this);
    leSection = new QLineEdit(this);
    leSection->setObjectName(QStringLiteral("leSection"));
    leSection->setPlaceholderText(QString::fromUtf8(JOURNAL_SECTION_ASK));
    leSection->setToolTip(QString::fromUtf8(HINT_SECTION));
    label->setBuddy(leSection);
    connect(leSection, &QLineEdit::editingFinished, this, [this] { emit sectionEdited(leSection->text().simplified()); });
    bbSite = button(CAPT_BB_SITE, this);
    bbSite->setObjectName(QStringLiteral("bbSite"));
    bbSite->setToolTip(QString::fromUtf8(HINT_SITE));
    connect(bbSite, &QPushButton::clicked, this, &TrendWindow::siteRequested);
    bbJournal = button(CAPT_BB_JOURNAL, this);
    bbJournal->setObjectName(QStringLiteral("bbJournal"));
    connect(bbJournal, &QPushButton::clicked, this, &TrendWindow::journalRequested);
    row->addWidget(label);
    row->addWidget(leSection, 1);
    row->addWidget(bbSite);
    row->addWidget(bbJournal);
    return row;
}

void TrendWindow::setSection(const QString& section)
{
    // What the installer is typing is theirs until they leave the field.
    if (!leSection->hasFocus() || leSection->text().isEmpty())
        leSection->setText(section);
}

void TrendWindow::buildChart()
{
    chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chartView = new QChartView(chart, this);

    FAxisX = new QDateTimeAxis;
    FAxisX->setFormat(QStringLiteral("HH:mm:ss"));
    FAxisX->setTickCount(7);
    FAxisY = new QValueAxis;
    FAxisY->setRange(0, TOP_VOLTS);
    FAxisY->setTickCount(7);
    FAxisY->setLabelFormat(QStringLiteral("%.1f"));
    FAxisY->setTitleText(QString::fromUtf8(VOLT_UNIT).trimmed());
    chart->addAxis(FAxisX, Qt::AlignBottom);
    chart->addAxis(FAxisY, Qt::AlignLeft);

    const auto add = [this](QAbstractSeries* s) {
        chart->addSeries(s);
        s->attachAxis(FAxisX);
        s->attachAxis(FAxisY);
    };
    // The zones lie under everything else.
    const QColor zoneColours[3] = {QColor(255, 214, 214), QColor(214, 240, 214), QColor(255, 214, 214)};
    for (int i = 0; i < 3; ++i) {
        zones[i] = new QAreaSeries(new QLineSeries, new QLineSeries);
        zones[i]->setColor(zoneColours[i]);
        zones[i]->setBorderColor(zoneColours[i]);
        add(zones[i]);
    }
    FAlarmEdge = new QLineSeries;
    alarm = new QAreaSeries(FAlarmEdge);
    alarm->setColor(QColor(255, 0, 0, 56));
    alarm->setPen(Qt::NoPen);
    add(alarm);
    threshold = lineSeries(Qt::red, 2, Qt::DashLine);
    add(threshold);
    crossingPeaks = markSeries(QColor(200, 0, 0), 8);
    add(crossingPeaks);
    walkDetected = markSeries(QColor(0, 150, 0), 11);
    add(walkDetected);
    walkMissed = markSeries(QColor(220, 0, 0), 13);
    walkMissed->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    add(walkMissed);
    maxHold = markSeries(QColor(0, 120, 0), 10);
    add(maxHold);
}

void TrendWindow::setSpan(int seconds)
{
    FSpanSeconds = seconds;
    if (QAbstractButton* b = spanButtons->button(seconds))
        b->setChecked(true);
    refresh();
}

void TrendWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    refresh();
    FRefresh->start();
}

void TrendWindow::hideEvent(QHideEvent* e)
{
    FRefresh->stop();
    QWidget::hideEvent(e);
    emit hidden();
}

void TrendWindow::refresh()
{
    const std::uint32_t now = FRecord->elapsedMs();
    const std::uint32_t spanMs = std::uint32_t(FSpanSeconds) * 1000;
    const qint64 origin = FRecord->startedAt().toMSecsSinceEpoch();
    FAxisX->setRange(QDateTime::fromMSecsSinceEpoch(origin + qint64(now) - spanMs),
                     QDateTime::fromMSecsSinceEpoch(origin + now));
    draw(now > spanMs ? now - spanMs : 0, now);
    walkPanel->refresh();
}

void TrendWindow::showWalkTest()
{
    const WalkTest& walk = FRecord->walk();
    if (!walk.started()) {
        refresh();
        return;
    }
    constexpr std::uint32_t AROUND_MS = 5000;
    const std::uint32_t end = walk.running() ? FRecord->elapsedMs() : walk.stoppedMs();
    const std::uint32_t from = walk.startedMs() > AROUND_MS ? walk.startedMs() - AROUND_MS : 0;
    const std::uint32_t to = std::min(end + AROUND_MS, FRecord->elapsedMs());
    const qint64 origin = FRecord->startedAt().toMSecsSinceEpoch();
    FAxisX->setRange(QDateTime::fromMSecsSinceEpoch(origin + from), QDateTime::fromMSecsSinceEpoch(origin + to));
    draw(from, to);
}

void TrendWindow::draw(std::uint32_t fromMs, std::uint32_t toMs)
{
    // As many times along the axis as fit whole beside the walk test's table.
    FAxisX->setTickCount(std::clamp(plotColumns(chart) / 80 + 1, 3, 7));
    const SessionSample* last = FRecord->last();
    if (!last)
        showNote(NOTE_NO_DATA);
    else if (last->transmitter())
        showNote(NOTE_TRANSMITTER);
    else if (last->aligning())
        showAlignment(fromMs, toMs);
    else
        showDuty(fromMs, toMs);
    bbResetMax->setVisible(last && last->aligning());
    sbWalk->setVisible(!last || !last->transmitter());
}

void TrendWindow::sessionsChanged()
{
    FRecord = FSessions->current();
    fillSessions();
    walkPanel->setRecord(FRecord.get());
    largeView->setRecord(FRecord.get());
    sbWalk->setChecked(FRecord->walk().running());
    refresh();
}

void TrendWindow::showSession(int index)
{
    if (index < 0 || std::size_t(index) >= FSessions->size())
        return;
    FRecord = FSessions->at(std::size_t(index));
    walkPanel->setRecord(FRecord.get());
    largeView->setRecord(FRecord.get());
    const QSignalBlocker quiet(sbWalk);
    sbWalk->setChecked(FRecord->walk().running());
    // An ended session's unit is not here to cross for.
    sbWalk->setEnabled(!FRecord->ended());
    walkPanel->setVisible(FRecord->walk().started());
    refresh();
}

void TrendWindow::fillSessions()
{
    const QSignalBlocker quiet(cbSession);
    cbSession->clear();
    for (std::size_t i = 0; i < FSessions->size(); ++i) {
        const SessionRecord& r = *FSessions->at(i);
        const QString end = r.ended() ? timeOfDayText(r, r.elapsedMs()).left(5) : QString::fromUtf8(SESSION_NOW);
        cbSession->addItem(QString::fromUtf8(SESSION_ITEM).arg(sessionUnitText(r), timeOfDayText(r, 0).left(5), end));
        if (FSessions->at(i) == FRecord)
            cbSession->setCurrentIndex(int(i));
    }
    if (FSessions->size() == 0)
        cbSession->addItem(QString::fromUtf8(SESSION_NONE));
    cbSession->setEnabled(FSessions->size() > 1);
    sbWalk->setEnabled(!FRecord->ended());
}

void TrendWindow::walkToggled(bool on)
{
    WalkTest& walk = FRecord->walk();
    if (on)
        walk.start(FRecord->elapsedMs());
    else
        walk.stop(FRecord->elapsedMs());
    const bool appears = !walkPanel->isVisible() && (on || walk.started());
    walkPanel->setVisible(on || walk.started());
    // The table takes half, whatever its columns would like: the chart stays readable.
    if (appears) {
        QList<int> sizes = FSplitter->sizes();
        const int room = sizes[0] + sizes[1] + sizes[2];
        sizes[2] = room / 2;
        (sizes[0] ? sizes[0] : sizes[1]) = room - sizes[2];
        FSplitter->setSizes(sizes);
    }
    refresh();
}

void TrendWindow::showWalkMarks()
{
    const WalkTest& walk = FRecord->walk();
    const double origin = double(FRecord->startedAt().toMSecsSinceEpoch());
    QList<QPointF> detected, missed;
    for (const WalkCrossing& c : walk.crossings())
        (c.detected() || !c.ended ? detected : missed) << QPointF(origin + c.peakMs, hundredths(poleVolts(c.peak)));
    walkDetected->replace(detected);
    walkMissed->replace(missed);
}

void TrendWindow::showTraces(const TrendTrace& trace)
{
    while (traces.size() < trace.stretches.size()) {
        QLineSeries* s = lineSeries(QColor(0, 0, 200), 1.5);
        chart->addSeries(s);
        s->attachAxis(FAxisX);
        s->attachAxis(FAxisY);
        traces.push_back(s);
    }
    for (std::size_t i = 0; i < traces.size(); ++i)
        traces[i]->replace(i < trace.stretches.size() ? trace.stretches[i] : QList<QPointF>());
}

void TrendWindow::showDuty(std::uint32_t fromMs, std::uint32_t toMs)
{
    setDutyVisible(true);
    const TrendTrace trace = traceOf(*FRecord, TrendKind::Duty, fromMs, toMs, plotColumns(chart), TOP_VOLTS);
    showTraces(trace);
    threshold->replace(trace.threshold);
    FAlarmEdge->replace(trace.alarm);

    std::vector<Crossing> crossings;
    const DutySummary summary = FRecord->dutySince(fromMs, &crossings);
    const double origin = double(FRecord->startedAt().toMSecsSinceEpoch());
    QList<QPointF> peaks;
    // In a walk test its own marks say more: every crossing, not only those over the threshold.
    const bool walking = FRecord->walk().started();
    for (const Crossing& c : crossings)
        if (!walking)
            peaks << QPointF(origin + c.peakMs, hundredths(poleVolts(c.peak)));
    crossingPeaks->replace(peaks);
    showWalkMarks();

    const bool any = summary.samples > 0;
    laRest->setText(QString::fromUtf8(STAT_REST).arg(any ? voltsText(poleVolts(summary.rest)) : noneText()));
    laPeak->setText(QString::fromUtf8(STAT_PEAK).arg(any ? voltsText(poleVolts(summary.peak)) : noneText()));
    laMargin->setText(QString::fromUtf8(STAT_MARGIN).arg(any ? marginText(summary.peakMarginVolts()) : noneText()));
    laCrossings->setText(QString::fromUtf8(STAT_CROSSINGS).arg(summary.crossings));
}

void TrendWindow::showAlignment(std::uint32_t fromMs, std::uint32_t toMs)
{
    setDutyVisible(false);
    const TrendTrace trace = traceOf(*FRecord, TrendKind::Alignment, fromMs, toMs, plotColumns(chart), TOP_VOLTS);
    showTraces(trace);

    const double origin = double(FRecord->startedAt().toMSecsSinceEpoch());
    const double right = origin + toMs, left = std::min(origin + fromMs, right - FSpanSeconds * 1000.0);
    const double edges[4] = {0, ustVolts(UST_NORM_MIN), ustVolts(UST_NORM_MAX), TOP_VOLTS};
    for (int i = 0; i < 3; ++i) {
        zones[i]->lowerSeries()->replace({QPointF(left, edges[i]), QPointF(right, edges[i])});
        zones[i]->upperSeries()->replace({QPointF(left, edges[i + 1]), QPointF(right, edges[i + 1])});
    }

    const AlignmentHold& hold = FRecord->alignment();
    QList<QPointF> held;
    if (hold.seen && hold.maxMs >= fromMs)
        held << QPointF(origin + hold.maxMs, hundredths(ustVolts(hold.max)));
    maxHold->replace(held);
    laSignal->setText(QString::fromUtf8(STAT_SIGNAL).arg(voltsText(ustVolts(hold.last)), zoneText(hold.last)));
    laMaxHold->setText(QString::fromUtf8(STAT_MAX_HOLD).arg(voltsText(ustVolts(hold.max)), zoneText(hold.max)));
}

void TrendWindow::showNote(const char* note)
{
    setDutyVisible(true);
    showTraces({});
    threshold->clear();
    FAlarmEdge->clear();
    crossingPeaks->clear();
    walkDetected->clear();
    walkMissed->clear();
    for (QLabel* l : {laRest, laPeak, laMargin, laCrossings})
        l->hide();
    laNote->setText(QString::fromUtf8(note));
    laNote->show();
}

void TrendWindow::setDutyVisible(bool duty)
{
    for (QAbstractSeries* s :
         std::initializer_list<QAbstractSeries*>{threshold, alarm, crossingPeaks, walkDetected, walkMissed})
        s->setVisible(duty);
    for (QAbstractSeries* s : std::initializer_list<QAbstractSeries*>{zones[0], zones[1], zones[2], maxHold})
        s->setVisible(!duty);
    // Hidden first: a label shown lays the window out at once, and with both modes' labels
    // showing for that moment the window would widen itself to hold them all.
    const std::initializer_list<QLabel*> dutyLabels{laRest, laPeak, laMargin, laCrossings};
    const std::initializer_list<QLabel*> alignmentLabels{laSignal, laMaxHold};
    laNote->hide();
    for (QLabel* l : duty ? alignmentLabels : dutyLabels)
        l->hide();
    for (QLabel* l : duty ? dutyLabels : alignmentLabels)
        l->show();
}
