#include "TestBmp.h"

namespace {

void Le32(std::vector<uint8_t> &out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> TestBmp::Make(int width, int height, const std::function<bool(int, int)> &black)
{
    const size_t rowBytes = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t size = 62 + rowBytes * height;
    std::vector<uint8_t> f(size, 0);
    f[0] = 'B';
    f[1] = 'M';
    Le32(f, 2, static_cast<uint32_t>(size));
    Le32(f, 10, 62);
    Le32(f, 14, 40);
    Le32(f, 18, static_cast<uint32_t>(width));
    Le32(f, 22, static_cast<uint32_t>(height));
    f[26] = 1;
    f[28] = 1;
    // Palette: index 0 black, index 1 white.
    f[58] = f[59] = f[60] = 0xFF;
    for (int y = 0; y < height; ++y) {
        const size_t row = 62 + rowBytes * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x)
            if (!black(x, y))
                f[row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    return f;
}
