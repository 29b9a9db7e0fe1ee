#pragma once
// The look of every window of the program: the Fusion style, with the program's line
// breaks drawn as one break and a focus frame on whatever has the keyboard focus.
#include <QProxyStyle>

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
public:
    ProgramStyle();
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// Makes ProgramStyle the application's style; later calls do nothing.
void useProgramStyle();
