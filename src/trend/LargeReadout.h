#pragma once
// The trend window's large view, for an installer at the post with the laptop on the ground:
// the signal while aligning (the field on duty) in digits of a third of the window's height,
// its zone in words on the zone's colour, and under it the maximum since alignment began (on
// duty, the threshold).
#include <QColor>
#include <QString>
#include <QWidget>

class QTimer;
class SessionRecord;

class LargeReadout : public QWidget {
    Q_OBJECT
public:
    static constexpr int REFRESH_MS = 100;

    explicit LargeReadout(SessionRecord* record, QWidget* parent = nullptr);

    // Reads the record's last sample; repaints only what changed.
    void refresh();
    // Another session is shown.
    void setRecord(SessionRecord* record)
    {
        FRecord = record;
        refresh();
    }

    // What it shows: the value's digits (its unit drawn smaller beside them), the zone's
    // words and colour, the line under them.
    QString valueText() const { return FValue; }
    QString zoneText() const { return FZone; }
    QColor zoneColour() const { return FZoneColour; }
    QString lineText() const { return FLine; }
    // Where the digits and the zone stand now, for whoever checks what they look like.
    QRect digitsRect() const;
    QRect zoneRect() const;
    QFont digitFont() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    SessionRecord* FRecord;
    QTimer* FRefresh;
    QString FValue, FZone, FLine;
    QColor FZoneColour;
};
