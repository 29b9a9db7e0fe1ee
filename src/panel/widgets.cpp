#include "panel/widgets.h"
// Placeholder bodies: replaced by the real ones.
void setBackground(QWidget*, const QColor&) {}
QColor background(const QWidget*) { return {}; }
void setTextColor(QWidget*, const QColor&) {}
QColor textColor(const QWidget*) { return {}; }
TickShape::TickShape(QWidget* parent) : QWidget(parent) {}
void TickShape::setPenColor(const QColor& c) { FPen = c; }
void TickShape::paintEvent(QPaintEvent*) {}
PaintArea::PaintArea(QWidget* parent) : QWidget(parent) {}
void PaintArea::paintEvent(QPaintEvent*) {}
void PaintArea::mousePressEvent(QMouseEvent*) {}
void PaintArea::mouseMoveEvent(QMouseEvent*) {}
void PaintArea::mouseReleaseEvent(QMouseEvent*) {}
SpeedButton::SpeedButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}
void SpeedButton::nextCheckState() {}
ModeButtonPair::ModeButtonPair(SpeedButton* a, SpeedButton* b, QObject* parent) : QObject(parent), FA(a), FB(b) {}
bool ModeButtonPair::SetDown(SpeedButton*, bool) { return false; }
void ModeButtonPair::userClicked(SpeedButton*) {}
