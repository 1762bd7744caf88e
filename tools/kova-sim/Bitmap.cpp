#include "Bitmap.h"

#include <algorithm>

Bitmap::Bitmap(int width, int maxHeight)
    : width_(std::max(width, 1)), stride_((std::max(width, 1) + 7) / 8), maxHeight_(std::max(maxHeight, 1))
{}

void Bitmap::EnsureHeight(int rows)
{
    rows = std::min(rows, maxHeight_);
    if (rows <= height_)
        return;
    height_ = rows;
    bits_.resize(static_cast<size_t>(height_) * stride_, 0);
}

void Bitmap::Set(int x, int y)
{
    if (x < 0 || x >= width_ || y < 0 || y >= maxHeight_)
        return;
    EnsureHeight(y + 1);
    bits_[static_cast<size_t>(y) * stride_ + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
}

bool Bitmap::get(int x, int y) const
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        return false;
    return bits_[static_cast<size_t>(y) * stride_ + x / 8] & (0x80u >> (x % 8));
}

void Bitmap::Blit(const Bitmap &src, int srcY, int rows, int x, int y)
{
    if (x == 0 && srcY >= 0 && y >= 0) {
        // Whole receipts are laid out at the left edge: copy byte by byte.
        const int bytes = std::min(stride_, src.stride_);
        const int last = std::min({srcY + rows, src.height_, srcY + maxHeight_ - y});
        if (last > srcY)
            EnsureHeight(y + (last - srcY));
        for (int sy = srcY; sy < last; ++sy) {
            const uint8_t *from = &src.bits_[static_cast<size_t>(sy) * src.stride_];
            uint8_t *to = &bits_[static_cast<size_t>(y + sy - srcY) * stride_];
            for (int b = 0; b < bytes; ++b)
                to[b] |= from[b];
            if (width_ % 8 != 0 && bytes == stride_)
                to[stride_ - 1] &= static_cast<uint8_t>(0xFF00u >> (width_ % 8));  // nothing past the width
        }
        return;
    }
    for (int r = 0; r < rows; ++r) {
        const int sy = srcY + r;
        if (sy < 0 || sy >= src.height() || y + r < 0 || y + r >= maxHeight_)
            continue;
        EnsureHeight(y + r + 1);
        for (int c = 0; c < src.width(); ++c)
            if (src.get(c, sy))
                Set(x + c, y + r);
    }
}

bool Bitmap::blank() const
{
    return std::all_of(bits_.begin(), bits_.end(), [](uint8_t b) { return b == 0; });
}

void Bitmap::Clear()
{
    height_ = 0;
    bits_.clear();
}
