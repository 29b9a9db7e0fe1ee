#pragma once
// The look of every window of the program: the Fusion style, with the program's line
// breaks drawn as one break.
#include <QProxyStyle>

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
public:
    ProgramStyle();
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

// Makes ProgramStyle the application's style; later calls do nothing.
void useProgramStyle();
