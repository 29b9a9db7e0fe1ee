#pragma once
// The trend window: the field against its threshold in duty mode, the signal among its zones
// while the units are aligned, over the last 30 s, 2 or 10 min of the session; and the
// session file, the exchange capture and the commissioning report, which all start from it.
#include "trend/TrendTrace.h"

#include <QWidget>
#include <memory>
#include <vector>

class QAbstractButton;
class QAreaSeries;
class QButtonGroup;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class LargeReadout;
class QLabel;
class QLayout;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QSplitter;
class QTimer;
class QValueAxis;
class SessionBook;
class SessionRecord;
class WalkPanel;

class TrendWindow : public QWidget {
    Q_OBJECT
public:
    explicit TrendWindow(SessionBook* sessions, QWidget* parent = nullptr);

    static constexpr int REFRESH_MS = 250;
    // The spans the buttons offer, in seconds.
    static constexpr int SPANS[3] = {30, 120, 600};

    void setSpan(int seconds);
    int span() const { return FSpanSeconds; }
    // Draws the span ending now from the record; the timer calls it while the window is shown.
    void refresh();
    // A session began: the list grows and the window turns to it.
    void sessionsChanged();
    // The session shown (the current one unless an earlier one was picked).
    SessionRecord* shown() const { return FRecord.get(); }
    void showSession(int index);
    // Draws the walk test's whole span, with a little before and after, instead of the span
    // ending now (for the commissioning record); refresh() goes back to the span.
    void showWalkTest();

    // ---- Controls ----
    QChartView* chartView = nullptr;
    QChart* chart = nullptr;
    QButtonGroup* spanButtons = nullptr;
    QPushButton* bbSaveCsv = nullptr;
    QPushButton* sbCapture = nullptr;
    QPushButton* bbReport = nullptr;
    QComboBox* cbSession = nullptr;
    QPushButton* sbWalk = nullptr;
    QPushButton* bbResetMax = nullptr;
    WalkPanel* walkPanel = nullptr;
    // The large view in the chart's place, for reading from the post.
    QPushButton* sbLarge = nullptr;
    LargeReadout* largeView = nullptr;
    // Duty mode: rest level, highest peak, its margin over the threshold, crossings.
    QLabel* laRest = nullptr;
    QLabel* laPeak = nullptr;
    QLabel* laMargin = nullptr;
    QLabel* laCrossings = nullptr;
    // Alignment: the signal now and the strongest since alignment began.
    QLabel* laSignal = nullptr;
    QLabel* laMaxHold = nullptr;
    QLabel* laNote = nullptr;
    // The site journal: the section of the unit plugged in, the journal's file, its overview.
    QLineEdit* leSection = nullptr;
    QPushButton* bbSite = nullptr;
    QPushButton* bbJournal = nullptr;
    // The section the journal knows for the current unit; empty asks the installer for it.
    void setSection(const QString& section);

    // ---- What the chart shows ----
    std::vector<QLineSeries*> traces;  // one per stretch between gaps
    QLineSeries* threshold = nullptr;
    QAreaSeries* alarm = nullptr;
    QScatterSeries* crossingPeaks = nullptr;
    // The walk test's crossings at their peaks: detected, and missed by the unit.
    QScatterSeries* walkDetected = nullptr;
    QScatterSeries* walkMissed = nullptr;
    QAreaSeries* zones[3] = {};  // too weak, normal, too strong
    QScatterSeries* maxHold = nullptr;

signals:
    void saveCsvRequested();
    void captureToggled(bool on);
    void reportRequested();
    // Closed or hidden: where it stood is worth keeping.
    void hidden();
    void placesChanged(const QStringList& places);
    void sectionEdited(const QString& section);
    void siteRequested();
    void journalRequested();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void buildChart();
    QLayout* buildJournalRow();
    void draw(std::uint32_t fromMs, std::uint32_t toMs);
    void walkToggled(bool on);
    void fillSessions();
    void showWalkMarks();
    void showTraces(const TrendTrace& trace);
    void showDuty(std::uint32_t fromMs, std::uint32_t toMs);
    void showAlignment(std::uint32_t fromMs, std::uint32_t toMs);
    void showNote(const char* note);
    void setDutyVisible(bool duty);

    QSplitter* FSplitter = nullptr;
    SessionBook* FSessions;
    std::shared_ptr<SessionRecord> FRecord;
    int FSpanSeconds = SPANS[1];
    QTimer* FRefresh;
    QDateTimeAxis* FAxisX = nullptr;
    QValueAxis* FAxisY = nullptr;
    QLineSeries* FAlarmEdge = nullptr;
};
