#include "panel/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace {
// Disabled controls keep the toolkit's own disabled text, so a disabled read-out or label
// still looks disabled whatever colour it was given.
constexpr QPalette::ColorGroup TEXT_GROUPS[] = {QPalette::Active, QPalette::Inactive};
constexpr QPalette::ColorGroup ALL_GROUPS[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

// The toolkit's own interface for a checkable button toggles it without a click, so the
// button's picture changes while its handler never runs. This one clicks.
class SpeedButtonAccessible : public QAccessibleWidget {
public:
    explicit SpeedButtonAccessible(SpeedButton* b) : QAccessibleWidget(b, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == toggleAction() || action == pressAction())
            button()->click();  // does nothing while the button is disabled, as for the mouse
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    SpeedButton* button() const { return static_cast<SpeedButton*>(widget()); }
};

QAccessibleInterface* speedButtonAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("SpeedButton"))
        if (auto* b = qobject_cast<SpeedButton*>(object))
            return new SpeedButtonAccessible(b);
    return nullptr;
}
}  // namespace

void setBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    for (auto g : ALL_GROUPS)
        p.setColor(g, QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QColor background(const QWidget* w)
{
    return w->palette().color(QPalette::Active, QPalette::Window);
}

void setTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    for (auto g : TEXT_GROUPS) {
        p.setColor(g, QPalette::WindowText, c);
        p.setColor(g, QPalette::ButtonText, c);
        p.setColor(g, QPalette::Text, c);
    }
    w->setPalette(p);
}

QColor textColor(const QWidget* w)
{
    return w->palette().color(QPalette::Active, QPalette::WindowText);
}

TickShape::TickShape(QWidget* parent) : QWidget(parent) {}

void TickShape::setPenColor(const QColor& c)
{
    FPen = c;
    update();
}

void TickShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(FPen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

PaintArea::PaintArea(QWidget* parent) : QWidget(parent)
{
    // Never erased by the toolkit either: the widgets below must show through.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    // The move handler hears the pointer passing over, not only while a button is held.
    setMouseTracking(true);
}

void PaintArea::paintEvent(QPaintEvent*)
{
    if (!onPaint)
        return;
    QPainter p(this);
    p.setPen(QPen(Qt::black, 0));
    onPaint(p);
    if (hasFocus()) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void PaintArea::mousePressEvent(QMouseEvent* e)
{
    if (onMousePress)
        onMousePress(e);
}

void PaintArea::mouseMoveEvent(QMouseEvent* e)
{
    if (onMouseMove)
        onMouseMove(e);
}

void PaintArea::mouseReleaseEvent(QMouseEvent* e)
{
    if (onMouseRelease)
        onMouseRelease(e);
}

void PaintArea::keyPressEvent(QKeyEvent* e)
{
    if (onKeyPress)
        onKeyPress(e);
    else
        QWidget::keyPressEvent(e);
}

QString ElidedLabel::shownText() const
{
    const int room = contentsRect().width() - 2 * margin();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, room);
}

bool ElidedLabel::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        // Asked when the pointer rests on the box, so the tooltip always follows the text.
        const QString shown = shownText();
        setToolTip(shown == text() ? QString() : text());
        if (toolTip().isEmpty()) {
            QToolTip::hideText();
            e->ignore();
            return true;
        }
    }
    return QLabel::event(e);
}

void ElidedLabel::paintEvent(QPaintEvent* e)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(e);
        return;
    }
    // As the label draws a plain text, with the middle left out.
    QPainter p(this);
    drawFrame(&p);
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, r, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

SpeedButton::SpeedButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setCheckable(true);
    // A speed button never takes the focus, so Enter in a dialog still reaches its default
    // button after a speed button was clicked.
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    static const bool accessible = [] {
        QAccessible::installFactory(speedButtonAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
}

void SpeedButton::nextCheckState()
{
    if (FPair)
        FPair->userClicked(this);
    else
        QPushButton::nextCheckState();
}

ModeButtonPair::ModeButtonPair(SpeedButton* a, SpeedButton* b, QObject* parent)
    : QObject(parent), FA(a), FB(b)
{
    FA->FPair = this;
    FB->FPair = this;
}

bool ModeButtonPair::SetDown(SpeedButton* button, bool down)
{
    if (down) {
        SpeedButton* other = button == FA ? FB : FA;
        other->setChecked(false);
        button->setChecked(true);
        return true;
    }
    if (button->isChecked() && !FAllowAllUp)
        return false;
    button->setChecked(false);
    return true;
}

void ModeButtonPair::userClicked(SpeedButton* button)
{
    // A refused release leaves the button down; the clicked handler runs all the same.
    SetDown(button, !button->isChecked());
}
