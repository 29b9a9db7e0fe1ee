#pragma once
// The four drawing objects of the scales: their geometry, colours and the mapping of a
// detector value to a position. What value to draw they take from the window.
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
};

class TPoleHyst {
public:
    TRect areaAllHyst, areaPoleHyst;
    Qt::BrushStyle brStyle = Qt::SolidPattern;
    QColor brColorAllHyst, brColorPoleHyst;

    std::uint8_t getTopPoleHyst(std::uint8_t v) const;
    void init();
    void draw(QPainter& canvas) const;
};

class TUstHyst {
public:
    TRect areaUstHystVerh, areaUstHystMiddle, areaUstHystNiz;
    Qt::BrushStyle brStyleUstHyst = Qt::SolidPattern;
    QColor brColorUstHystVerh, brColorUstHystMiddle, brColorUstHystNiz;

    void init();
    void draw(QPainter& canvas) const;
};

class TUstMarker {
public:
    TRect areaUstMarker;
    Qt::BrushStyle brStyleUstMarker = Qt::SolidPattern;
    QColor brColorUstMarker;

    std::uint8_t getPosUstMarker(std::uint8_t s) const;
    TRect getKoorUstMarker(std::uint8_t s) const;
    void init();
    void draw(QPainter& canvas) const;
};
