#pragma once

#include <cstdint>

// The printer's built-in 12 x 24 dot character font. Bytes 80-FF follow the
// code page in force; a byte with no character there prints as a hollow box.
class Font {
public:
    static constexpr int kWidth = 12;
    static constexpr int kHeight = 24;

    // Row y of the glyph for byte c; bit 11 is the leftmost dot. codePage is
    // numbered as the code-page setting numbers it (00 is 437).
    static uint16_t Row(uint8_t c, int y, uint8_t codePage = 0x00);
    // All kHeight rows of that glyph at once.
    static const uint16_t *Glyph(uint8_t c, uint8_t codePage = 0x00);
    static bool KnownCodePage(uint8_t setValue);
};
