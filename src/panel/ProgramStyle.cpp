#include "panel/ProgramStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

ProgramStyle::ProgramStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

void ProgramStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal,
                                bool enabled, const QString& text, QPalette::ColorRole textRole) const
{
    // Texts break lines with LF CR. The toolkit draws a lone CR as a blank, which would
    // indent every line after the first; the pair is one break.
    QString shown = text;
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    QProxyStyle::drawItemText(painter, rect, flags, pal, enabled, shown, textRole);
}

void ProgramStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    // Fusion leaves a push button's focus to a tinted outline; the frame goes inside it.
    if (element == CE_PushButton && (option->state & State_HasFocus)) {
        QStyleOptionFocusRect frame;
        frame.QStyleOption::operator=(*option);
        frame.rect = subElementRect(SE_PushButtonFocusRect, option, widget);
        drawPrimitive(PE_FrameFocusRect, &frame, painter, widget);
    }
}

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    if (element != PE_FrameFocusRect) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion draws its focus frame only after a Tab and so faintly that it is lost on the
    // coloured panels; Space then presses a button nobody saw. A dotted frame in the text
    // colour shows on every background, from the first key on.
    painter->save();
    QPen pen(option->palette.color(QPalette::Active, QPalette::WindowText), 1, Qt::DotLine);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void useProgramStyle()
{
    if (!qobject_cast<ProgramStyle*>(QApplication::style()))
        QApplication::setStyle(new ProgramStyle);
}
