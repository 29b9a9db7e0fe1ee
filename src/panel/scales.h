#pragma once
// The four drawing objects of the scales: their geometry, colours and the mapping of a
// detector value to a position. The window owns them, gives each the paint area whose size it
// follows (none: the area's nominal size) and the values to draw, and paints them only while
// it is not greyed out.
#include "protocol/DetectorState.h"

#include <QColor>
#include <cstdint>

// Pixels per threshold step and the gap above the highest position.
constexpr double POROG_STEP = 4.8125;
constexpr int POROG_TOP = 5;

class QPainter;
class QWidget;

// Left, Top, Right, Bottom; Right and Bottom exclusive.
struct TRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TPorogMarker {
public:
    explicit TPorogMarker(const QWidget* area = nullptr) : FArea(area) {}

    TRect areaPolkaVerh, areaPolkaNiz, areaMarker;
    Qt::BrushStyle brStyle = Qt::SolidPattern;
    QColor brColorMarker, brColorPolka;
    std::int32_t yOffset = 0;
    bool markerZahvat = false;

    std::uint8_t getPosPorog(std::uint8_t p) const;
    std::uint8_t getPosPorogReal(const TRect& r) const;
    TRect getKoorPorogMarker(std::uint8_t p) const;
    bool inAreaMarker(std::int32_t x, std::int32_t y) const;
    void init();
    void draw(QPainter& canvas) const;

private:
    const QWidget* FArea;
};

class TPoleHyst {
public:
    explicit TPoleHyst(const QWidget* area = nullptr) : FArea(area) {}

    TRect areaAllHyst, areaPoleHyst;
    Qt::BrushStyle brStyle = Qt::SolidPattern;
    QColor brColorAllHyst, brColorPoleHyst;

    std::uint8_t getTopPoleHyst(std::uint8_t v) const;
    // v: the field value the bar starts at.
    void init(std::uint8_t v);
    void draw(QPainter& canvas) const;

private:
    const QWidget* FArea;
};

class TUstHyst {
public:
    explicit TUstHyst(const QWidget* area = nullptr) : FArea(area) {}

    TRect areaUstHystVerh, areaUstHystMiddle, areaUstHystNiz;
    Qt::BrushStyle brStyleUstHyst = Qt::SolidPattern;
    QColor brColorUstHystVerh, brColorUstHystMiddle, brColorUstHystNiz;

    void init();
    void draw(QPainter& canvas) const;

private:
    const QWidget* FArea;
};

class TUstMarker {
public:
    explicit TUstMarker(const QWidget* area = nullptr) : FArea(area) {}

    TRect areaUstMarker;
    Qt::BrushStyle brStyleUstMarker = Qt::SolidPattern;
    QColor brColorUstMarker;

    std::uint8_t getPosUstMarker(std::uint8_t s) const;
    TRect getKoorUstMarker(std::uint8_t s) const;
    void init();
    void draw(QPainter& canvas) const;

private:
    const QWidget* FArea;
};
