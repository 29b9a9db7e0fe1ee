#pragma once
// What the detector has told us about itself, in the units it uses on the wire.
#include <array>
#include <cstdint>

enum TRejim : std::uint8_t { dej = 0, ust = 1, vklpit = 2 };
using TIdent = std::int16_t;        // -1..255
using TPosPorog = std::uint8_t;     // 0..15
using TValPole = std::uint8_t;      // 0..154
using TPosUstMarker = std::uint8_t; // 0..153
using TLitera = std::uint8_t;       // 1..8
using Skorost = std::uint8_t;       // 0..2

// The identifier a transmitter reports; receivers report their model code.
constexpr TIdent IDENT_PERED = 32;

// The ends of the detector's scales; it may report more, which is shown at the end.
constexpr TPosPorog POROG_MAX = 15;
constexpr TValPole POLE_MAX = 154;
constexpr TPosUstMarker UST_MAX = 153;

// Which of the unit's values a reply carried: each request of the poll cycle asks for one or
// two, and the rest are only the last ones known.
enum DetectorValue : std::uint16_t {
    ValueField = 1,
    ValueSignal = 2,
    ValueThreshold = 4,
    ValueMode = 8,
    ValueState = 16,
    ValueAlarm = 32,
    ValueLetter = 64,
    ValueRange = 128,
    ValueAddress = 256,
    ValueIdent = 512,
    ValueFirmware = 1024,
};

// The unit as last reported (or as just set by the user), in one place: the window shows it,
// the dispatcher chooses its series by it, and the dialogs edit copies of its settings.
struct TDetectorState {
    TIdent FIdent = 0;
    TRejim FRejim = dej;
    TPosPorog FPosPorog = 0;
    TPosUstMarker FPosUstMarker = 0;
    TValPole ValPole = 0;
    bool FFlagTr = false;
    std::array<std::uint8_t, 2> FVersPr{0, 0};
    std::uint8_t FReqState = 0;
    TLitera FLit = 1;
    Skorost FScor = 0;
    std::int32_t FAddr = 0;
};
