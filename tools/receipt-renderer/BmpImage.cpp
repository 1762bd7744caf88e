#include "BmpImage.h"

#include <vector>

namespace {

uint32_t Le32(std::span<const uint8_t> d, size_t at)
{
    return static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8 |
           static_cast<uint32_t>(d[at + 2]) << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

uint16_t Le16(std::span<const uint8_t> d, size_t at)
{
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

}  // namespace

uint32_t BmpImage::DeclaredLength(std::span<const uint8_t> head)
{
    if (head.size() < 6 || head[0] != 'B' || head[1] != 'M')
        return 0;
    return Le32(head, 2);
}

std::optional<Bitmap> BmpImage::Decode(std::span<const uint8_t> file)
{
    if (file.size() < 62 || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const uint32_t pixelOffset = Le32(file, 10);
    const uint32_t infoSize = Le32(file, 14);
    const int32_t width = static_cast<int32_t>(Le32(file, 18));
    const int32_t rawHeight = static_cast<int32_t>(Le32(file, 22));
    const uint16_t bitCount = Le16(file, 28);
    const uint32_t compression = Le32(file, 30);
    if (infoSize < 40 || bitCount != 1 || compression != 0 || width <= 0 || width > kMaxSide || rawHeight == 0 ||
        rawHeight < -kMaxSide || rawHeight > kMaxSide)
        return std::nullopt;
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;

    // Palette entries are blue, green, red, reserved; a dark entry prints.
    bool black[2] = {true, false};
    const size_t palette = 14 + static_cast<size_t>(infoSize);
    if (palette + 8 <= file.size()) {
        for (int i = 0; i < 2; ++i) {
            const size_t at = palette + 4 * static_cast<size_t>(i);
            const int luma = (file[at] * 114 + file[at + 1] * 587 + file[at + 2] * 299) / 1000;
            black[i] = luma < 128;
        }
    }

    const size_t rowBytes = ((static_cast<size_t>(width) + 31) / 32) * 4;
    if (pixelOffset > file.size() || rowBytes * static_cast<size_t>(height) > file.size() - pixelOffset)
        return std::nullopt;

    Bitmap out(width, height);
    out.EnsureHeight(height);
    if (!black[0] && !black[1])
        return out;
    // A set bit picks palette entry 1: the row prints as it is, inverted, or all black.
    std::vector<uint8_t> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        const uint8_t *from = &file[pixelOffset + rowBytes * static_cast<size_t>(bottomUp ? height - 1 - y : y)];
        for (size_t b = 0; b < rowBytes; ++b)
            row[b] = black[0] && black[1] ? 0xFF : black[1] ? from[b] : static_cast<uint8_t>(~from[b]);
        out.OrBits(0, y, row.data(), width);
    }
    return out;
}
