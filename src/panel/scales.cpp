#include "panel/scales.h"
#include "panel/main.h"
// Placeholder bodies: replaced by the real ones.
TPorogMarker* PM = nullptr;
TPoleHyst* PH = nullptr;
TUstHyst* UH = nullptr;
TUstMarker* UM = nullptr;
std::uint8_t TPorogMarker::getPosPorog(std::uint8_t p) const { return std::uint8_t(15 - p); }
std::uint8_t TPorogMarker::getPosPorogReal(const TRect&) const { return 0; }
TRect TPorogMarker::getKoorPorogMarker(std::uint8_t) const { return {}; }
bool TPorogMarker::inAreaMarker(std::int32_t, std::int32_t) const { return false; }
void TPorogMarker::init() {}
void TPorogMarker::draw(QPainter&) const {}
std::uint8_t TPoleHyst::getTopPoleHyst(std::uint8_t v) const { return std::uint8_t(154 - v); }
void TPoleHyst::init() {}
void TPoleHyst::draw(QPainter&) const {}
void TUstHyst::init() {}
void TUstHyst::draw(QPainter&) const {}
std::uint8_t TUstMarker::getPosUstMarker(std::uint8_t s) const { return std::uint8_t(155 - s); }
TRect TUstMarker::getKoorUstMarker(std::uint8_t) const { return {}; }
void TUstMarker::init() {}
void TUstMarker::draw(QPainter&) const {}
