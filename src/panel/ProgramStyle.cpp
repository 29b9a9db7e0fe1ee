#include "panel/ProgramStyle.h"

#include <QApplication>
#include <QStyleFactory>

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

void useProgramStyle()
{
    if (!qobject_cast<ProgramStyle*>(QApplication::style()))
        QApplication::setStyle(new ProgramStyle);
}
