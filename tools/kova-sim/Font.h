#pragma once

#include <cstdint>

// The printer's built-in 12 x 24 dot character font. Bytes outside the
// printable ASCII range print as a hollow box so they stay visible.
class Font {
public:
    static constexpr int kWidth = 12;
    static constexpr int kHeight = 24;

    // Row y of the glyph for byte c; bit 11 is the leftmost dot.
    static uint16_t row(uint8_t c, int y);
};
