#include "trend/WalkPanel.h"

#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/TrendText.h"
#include "trend/WalkTest.h"
#include "trend/texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {
QString text(const char* t) { return QString::fromUtf8(t); }

QString percentText(double share) { return QString::number(std::lround(share * 100)) + QStringLiteral(" %"); }

QString alarmText(const WalkCrossing& c)
{
    if (!c.detected())
        return text(c.ended ? WALK_ALARM_NO : WALK_UNDER_WAY);
    const auto delay = c.alarmDelayMs();
    return delay ? text(WALK_ALARM_YES).arg(QString::number(*delay / 1000.0, 'f', 1)) : text(WALK_ALARM_YES_NO_DELAY);
}

// A crossing that changed (grew, ended, raised its alarm) changes this.
std::uint64_t stampOf(const WalkCrossing& c)
{
    return (std::uint64_t(c.endMs) << 24) ^ (std::uint64_t(c.peak) << 8) ^ (c.detected() ? 2 : 0) ^ (c.ended ? 1 : 0);
}
}  // namespace

WalkPanel::WalkPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("walkPanel"));
    cbPlace = new QComboBox(this);
    cbPlace->setObjectName(QStringLiteral("cbPlace"));
    cbPlace->setEditable(true);
    cbPlace->setInsertPolicy(QComboBox::InsertAtTop);
    cbPlace->setMaxCount(20);
    seMargin = new QSpinBox(this);
    seMargin->setObjectName(QStringLiteral("seMargin"));
    seMargin->setRange(0, 50);
    seMargin->setValue(int(std::lround(WalkTest::DEFAULT_MARGIN * 100)));
    seMargin->setSuffix(text(WALK_MARGIN_SUFFIX));
    bbClear = new QPushButton(text(WALK_BB_CLEAR), this);
    bbClear->setObjectName(QStringLiteral("bbWalkClear"));

    twCrossings = new QTableWidget(0, 6, this);
    twCrossings->setObjectName(QStringLiteral("twCrossings"));
    twCrossings->setHorizontalHeaderLabels({text(WALK_COL_NUMBER), text(WALK_COL_TIME), text(WALK_COL_PLACE),
                                            text(WALK_COL_PEAK), text(WALK_COL_MARGIN), text(WALK_COL_ALARM)});
    twCrossings->verticalHeader()->hide();
    twCrossings->setWordWrap(false);
    QFont cells = twCrossings->font();
    if (cells.pixelSize() > 0)
        cells.setPixelSize(std::max(9, cells.pixelSize() * 9 / 10));
    twCrossings->setFont(cells);
    twCrossings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twCrossings->setSelectionBehavior(QAbstractItemView::SelectRows);
    twCrossings->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    twCrossings->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);

    laVerdict = new QLabel(this);
    laVerdict->setObjectName(QStringLiteral("laWalkVerdict"));
    laAdvice = new QLabel(this);
    laAdvice->setObjectName(QStringLiteral("laWalkAdvice"));
    for (QLabel* l : {laVerdict, laAdvice})
        l->setWordWrap(true);
    // Field practice, where the advice is read; the table keeps the room.
    laAdvice->setToolTip(text(WALK_PRACTICE));

    auto* controls = new QGridLayout;
    controls->addWidget(new QLabel(text(WALK_LA_PLACE), this), 0, 0);
    controls->addWidget(cbPlace, 0, 1, 1, 2);
    controls->addWidget(new QLabel(text(WALK_LA_MARGIN), this), 1, 0);
    controls->addWidget(seMargin, 1, 1);
    controls->addWidget(bbClear, 1, 2);
    controls->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(controls);
    column->addWidget(twCrossings, 1);
    column->addWidget(laVerdict);
    column->addWidget(laAdvice);

    connect(cbPlace, &QComboBox::currentTextChanged, this, &WalkPanel::placeChosen);
    connect(seMargin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int percent) {
        if (FRecord)
            FRecord->walk().setMargin(percent / 100.0);
        FShownRows = 0;
        FShownStamp = ~std::uint64_t(0);
        refresh();
    });
    connect(bbClear, &QPushButton::clicked, this, [this] {
        if (FRecord)
            FRecord->walk().clear();
        refresh();
    });
}

void WalkPanel::setRecord(SessionRecord* record)
{
    FRecord = record;
    FShownRows = 0;
    FShownStamp = ~std::uint64_t(0);
    twCrossings->setRowCount(0);
    if (record) {
        record->walk().setPlace(cbPlace->currentText().simplified());
        record->walk().setMargin(seMargin->value() / 100.0);
    }
    refresh();
}

void WalkPanel::setPlaces(const QStringList& places)
{
    const QSignalBlocker quiet(cbPlace);
    cbPlace->clear();
    cbPlace->addItems(places);
    if (FRecord)
        FRecord->walk().setPlace(cbPlace->currentText().simplified());
}

QStringList WalkPanel::places() const
{
    QStringList all;
    for (int i = 0; i < cbPlace->count(); ++i)
        all << cbPlace->itemText(i);
    return all;
}

void WalkPanel::placeChosen()
{
    // Typed text is one line in a table and in the settings file, whatever was pasted.
    const QString place = cbPlace->currentText().simplified();
    if (FRecord)
        FRecord->walk().setPlace(place);
    if (!place.isEmpty() && cbPlace->findText(place) >= 0)
        emit placesChanged(places());
}

void WalkPanel::refresh()
{
    if (!FRecord) {
        laVerdict->clear();
        laAdvice->clear();
        return;
    }
    const WalkTest& walk = FRecord->walk();
    showRows(walk);
    const WalkVerdict v = walk.verdict();
    const int percent = seMargin->value();
    if (v.crossings == 0)
        laVerdict->setText(text(!walk.running() ? WALK_STOPPED : walk.learning() ? WALK_LEARNING : WALK_READY));
    else if (v.passed())
        laVerdict->setText(text(WALK_PASSED).arg(v.crossings).arg(percent));
    else
        laVerdict->setText(text(WALK_FAILED).arg(v.detected).arg(v.crossings).arg(v.withMargin).arg(percent));
    laVerdict->setStyleSheet(v.crossings == 0 ? QString()
                             : v.passed()     ? QStringLiteral("color: #006400; font-weight: bold")
                                              : QStringLiteral("color: #b00000; font-weight: bold"));

    const ThresholdAdvice a = walk.advice();
    if (v.crossings == 0) {
        laAdvice->clear();
    } else if (a.possible) {
        laAdvice->setText(text(WALK_ADVICE).arg(voltsText(porogVolts(a.highest)), voltsText(porogVolts(a.lowest))));
    } else {
        TValPole weakest = POLE_MAX;
        for (const WalkCrossing& c : walk.crossings())
            weakest = std::min(weakest, c.peak);
        laAdvice->setText(
            text(WALK_NO_ADVICE).arg(voltsText(poleVolts(weakest)), voltsText(poleVolts(walk.rest().highest))));
    }
}

void WalkPanel::showRows(const WalkTest& walk)
{
    const auto& all = walk.crossings();
    const std::uint64_t stamp = all.empty() ? 0 : stampOf(all.back());
    if (all.size() == FShownRows && stamp == FShownStamp)
        return;
    const bool grew = all.size() > FShownRows;
    twCrossings->setRowCount(int(all.size()));
    // Only the last crossing can still change; the earlier rows stand as they were written,
    // unless the margin asked for changed their colours.
    const std::size_t from = FShownStamp == ~std::uint64_t(0) || all.size() < FShownRows ? 0
                             : FShownRows ? FShownRows - 1 : 0;
    for (std::size_t i = from; i < all.size(); ++i) {
        const WalkCrossing& c = all[i];
        const QStringList cells{QString::number(i + 1), timeOfDayText(*FRecord, c.startMs), c.place,
                                voltsText(poleVolts(c.peak)),
                                marginText(c.marginVolts()) + QStringLiteral(" (") + percentText(c.marginShare()) +
                                    QStringLiteral(")"),
                                alarmText(c)};
        const QColor shade = !c.ended && !c.detected() ? QColor()
                             : !c.detected()           ? QColor(255, 200, 200)
                             : c.marginShare() < walk.margin() - 1e-9 ? QColor(255, 236, 179)
                                                                      : QColor(214, 240, 214);
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            if (shade.isValid())
                item->setBackground(shade);
            twCrossings->setItem(int(i), col, item);
        }
    }
    FShownRows = all.size();
    FShownStamp = stamp;
    if (grew)
        twCrossings->scrollToBottom();
}
