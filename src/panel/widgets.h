#pragma once
// Small widgets the window is built from: coloured panels, tick shapes, paint areas and
// toggle buttons that may belong to an exclusive pair.
#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <functional>

class QKeyEvent;
class QMouseEvent;
class QPainter;

// Background and text colour of any widget, through its palette (children without colours
// of their own follow, as text does in a group).
void setBackground(QWidget* w, const QColor& c);
QColor background(const QWidget* w);
void setTextColor(QWidget* w, const QColor& c);
QColor textColor(const QWidget* w);

// A rectangle 2 px high drawn as an outline in its pen colour: one tick of a scale.
class TickShape : public QWidget {
    Q_OBJECT
public:
    explicit TickShape(QWidget* parent = nullptr);
    QColor penColor() const { return FPen; }
    void setPenColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor FPen{0, 0, 0};
};

// A surface that paints nothing of its own; whatever lies below shows through except
// where its handler draws.
class PaintArea : public QWidget {
    Q_OBJECT
public:
    explicit PaintArea(QWidget* parent = nullptr);
    std::function<void(QPainter&)> onPaint;
    std::function<void(QMouseEvent*)> onMousePress, onMouseMove, onMouseRelease;
    // Keys that reach the area while it has the focus; unhandled keys must be ignored.
    std::function<void(QKeyEvent*)> onKeyPress;
    // Invalidate and paint now, before returning.
    void repaintNow() { repaint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// A read-out for texts that may be longer than its box, such as a port's device path: it
// shows the start and the end with an ellipsis between and offers the whole text as its
// tooltip. text() is always the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // What the box shows of text().
    QString shownText() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};

class ModeButtonPair;

// A button that stays down when pressed. Down is the checked state. Alone it toggles on
// each click; in a ModeButtonPair it follows the pair's rules. Its accessible action is a
// click, so a screen reader or an automation tool runs the same handler as the mouse.
class SpeedButton : public QPushButton {
    Q_OBJECT
public:
    explicit SpeedButton(const QString& text = QString(), QWidget* parent = nullptr);
    bool Down() const { return isChecked(); }
    ModeButtonPair* pair() const { return FPair; }

protected:
    void nextCheckState() override;

private:
    friend class ModeButtonPair;
    ModeButtonPair* FPair = nullptr;
};

// Two toggle buttons of which at most one is down, with one all-up permission for both:
// while it is off the button that is down cannot be put up, by a click or by the program.
class ModeButtonPair : public QObject {
    Q_OBJECT
public:
    ModeButtonPair(SpeedButton* a, SpeedButton* b, QObject* parent = nullptr);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool on) { FAllowAllUp = on; }
    // Puts a button down (the other up) or up; runs no handler. Returns false when refused.
    bool SetDown(SpeedButton* button, bool down);

private:
    friend class SpeedButton;
    void userClicked(SpeedButton* button);
    SpeedButton* FA;
    SpeedButton* FB;
    bool FAllowAllUp = false;
};
