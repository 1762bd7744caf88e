#include "tests/graphics/Bmp.h"

namespace graphics_testing {

void Bmp::Put(std::string &s, std::size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

std::string Bmp::Bytes() const
{
    const std::size_t rowSize = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t offset = 14 + headerSize + 4 * palette.size();
    std::string s(offset + rowSize * static_cast<std::size_t>(height > 0 ? height : 0), '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put(s, 2, static_cast<uint32_t>(s.size()), 4);
    Put(s, 10, static_cast<uint32_t>(offset), 4);
    Put(s, 14, headerSize, 4);
    Put(s, 18, static_cast<uint32_t>(width), 4);
    Put(s, 22, static_cast<uint32_t>(height), 4);
    Put(s, 26, 1, 2);
    Put(s, 28, static_cast<uint32_t>(bits), 2);
    Put(s, 30, compression, 4);
    Put(s, 46, coloursUsed, 4);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        Put(s, 14 + headerSize + 4 * i, palette[i], 4);  // stored blue, green, red, 0
    }
    for (int y = 0; y < height && bits <= 8; ++y) {
        const std::size_t row = offset + rowSize * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bits * (1 + x % (8 / bits));
            s[row + static_cast<std::size_t>(x / (8 / bits))] |= static_cast<char>(index(x, y) << shift);
        }
    }
    return s;
}

}  // namespace graphics_testing
