#include "Bitmap.h"

#include <algorithm>

Bitmap::Bitmap(int width, int maxHeight)
    : width_(std::max(width, 1)), stride_((std::max(width, 1) + 7) / 8), maxHeight_(std::max(maxHeight, 1))
{}

void Bitmap::Grow(int rows)
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
    if (x < 0)
        return;
    // Grown once for all the rows, not row by row.
    EnsureHeight(std::min(y + std::min(rows, src.height_ - srcY), maxHeight_));
    for (int r = 0; r < rows; ++r) {
        const int sy = srcY + r;
        if (sy < 0 || sy >= src.height_ || y + r < 0)
            continue;
        if (y + r >= maxHeight_)
            break;
        OrBits(x, y + r, &src.bits_[static_cast<size_t>(sy) * src.stride_], src.width_);
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
