// Windows-1252 bytes to characters and back, by the table of 0x80 to 0x9F.

#include "controls/windows_1252.h"

#include <array>

namespace {

// Characters of the bytes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The range the characters above 0xFF of that table lie in.
constexpr char16_t firstHigh = 0x0152;
constexpr char16_t lastHigh = 0x2122;

} // namespace

char16_t windows1252Char(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? highControls[b - 0x80] : char16_t(b);
}

int windows1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c < 0xA0)
        return highControls[c - 0x80] == c ? c : -1;
    if (c < firstHigh || c > lastHigh)
        return -1;
    for (std::size_t i = 0; i < highControls.size(); ++i) {
        if (highControls[i] == c)
            return int(0x80 + i);
    }
    return -1;
}
