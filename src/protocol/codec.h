#pragma once
// Hexadecimal digit pairs and the additive checksum of the detector's frames.
// Plain C++ with no Qt, so the simulator and the fuzzer can share it.
#include <array>
#include <cstdint>
#include <vector>

using Byte = std::uint8_t;

// Element 0 is the low nibble's digit, element 1 the high nibble's.
std::array<Byte, 2> hex_2_ascii(Byte hex_byte);
// Mirror of hex_2_ascii; code becomes 1 when either character is not an upper-case hex digit.
Byte ascii_2_hex(const std::array<Byte, 2>& ascii_2_data, Byte& code);
// Digit value 0..15; invalid is set when the character is no digit.
Byte ascii_1_hex(Byte ascii_1_data, bool& invalid);
// Sum modulo 256 of the first n bytes.
Byte GetCRCByte(const Byte* m, int n);

namespace frame {
constexpr Byte kRequestStart = 0x24;  // '$'
constexpr Byte kReplyOk = 0x21;       // '!'
constexpr Byte kReplyRefused = 0x3F;  // '?'
constexpr Byte kEnd = 0x0D;

// The payload with its checksum appended, written between start byte and CR.
std::vector<Byte> encode(Byte start, const std::vector<Byte>& payloadWithoutChecksum);
// The payload, checksum included, as digit pairs between start byte and CR.
std::vector<Byte> wrap(Byte start, const std::vector<Byte>& payload);

// Decodes the digit pairs of a whole frame (start byte and CR included). Returns
// false on a bad digit; payload then holds nothing useful.
bool decodeDigits(const Byte* frame, int length, std::vector<Byte>& payload);
}  // namespace frame
