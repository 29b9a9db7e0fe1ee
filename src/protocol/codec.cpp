#include "protocol/codec.h"

namespace {
Byte digit(Byte nibble) { return nibble < 10 ? Byte('0' + nibble) : Byte('A' + nibble - 10); }
}  // namespace

std::array<Byte, 2> hex_2_ascii(Byte hex_byte)
{
    return {digit(hex_byte & 0x0F), digit(hex_byte >> 4)};
}

Byte ascii_1_hex(Byte ascii_1_data, bool& invalid)
{
    if (ascii_1_data >= '0' && ascii_1_data <= '9')
        return ascii_1_data - '0';
    if (ascii_1_data >= 'A' && ascii_1_data <= 'F')
        return ascii_1_data - 'A' + 10;
    invalid = true;
    return 0;
}

Byte ascii_2_hex(const std::array<Byte, 2>& ascii_2_data, Byte& code)
{
    code = 0;
    bool invalid = false;
    const Byte low = ascii_1_hex(ascii_2_data[0], invalid);
    const Byte high = ascii_1_hex(ascii_2_data[1], invalid);
    if (invalid)
        code = 1;
    return Byte(high * 16 + low);
}

Byte GetCRCByte(const Byte* m, int n)
{
    unsigned sum = 0;
    for (int i = 0; i < n; ++i)
        sum += m[i];
    return Byte(sum & 0xFF);
}

namespace frame {

std::vector<Byte> encode(Byte start, const std::vector<Byte>& payloadWithoutChecksum)
{
    std::vector<Byte> payload = payloadWithoutChecksum;
    payload.push_back(GetCRCByte(payload.data(), int(payload.size())));
    return wrap(start, payload);
}

std::vector<Byte> wrap(Byte start, const std::vector<Byte>& payload)
{
    std::vector<Byte> out;
    out.reserve(payload.size() * 2 + 2);
    out.push_back(start);
    for (Byte b : payload) {
        const auto pair = hex_2_ascii(b);
        out.push_back(pair[1]);
        out.push_back(pair[0]);
    }
    out.push_back(kEnd);
    return out;
}

bool decodeDigits(const Byte* frameBytes, int length, std::vector<Byte>& payload)
{
    payload.clear();
    for (int i = 1; i + 1 <= length - 2; i += 2) {
        Byte code = 0;
        const Byte value = ascii_2_hex({frameBytes[i + 1], frameBytes[i]}, code);
        if (code != 0)
            return false;
        payload.push_back(value);
    }
    return true;
}

}  // namespace frame
