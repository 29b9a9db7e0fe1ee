#pragma once
// The walk test beside the chart: where the next crossing is made, the margin asked for, the
// crossings so far, the verdict and the threshold they argue for.
#include <QStringList>
#include <QWidget>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class SessionRecord;
class WalkTest;

class WalkPanel : public QWidget {
    Q_OBJECT
public:
    explicit WalkPanel(QWidget* parent = nullptr);

    // The walk test shown and steered; null shows an empty table.
    void setRecord(SessionRecord* record);
    void refresh();

    void setPlaces(const QStringList& places);
    QStringList places() const;

    QComboBox* cbPlace = nullptr;
    QSpinBox* seMargin = nullptr;
    QPushButton* bbClear = nullptr;
    QTableWidget* twCrossings = nullptr;
    QLabel* laVerdict = nullptr;
    QLabel* laAdvice = nullptr;

signals:
    // A place typed in joins the list, which is worth keeping for the next time.
    void placesChanged(const QStringList& places);

private:
    void placeChosen();
    void showRows(const WalkTest& walk);

    SessionRecord* FRecord = nullptr;
    // What the table shows, so that it is rebuilt only when a crossing changes.
    std::size_t FShownRows = 0;
    std::uint64_t FShownStamp = 0;
};
