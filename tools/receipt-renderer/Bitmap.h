#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// A 1-bit picture, 1 = black dot. Rows grow on demand up to a fixed limit so
// that a receipt can never take unbounded memory.
class Bitmap {
public:
    Bitmap(int width, int maxHeight);

    int width() const { return width_; }
    int height() const { return height_; }
    int maxHeight() const { return maxHeight_; }

    // Makes rows [0, rows) exist (clipped to maxHeight).
    void EnsureHeight(int rows)
    {
        if (rows > height_)
            Grow(rows);
    }
    void Set(int x, int y);
    bool get(int x, int y) const;
    // ORs count dots of a packed row (MSB first) into row y from column x on;
    // clipped to the bitmap. The fast way to draw: a byte at a time.
    void OrBits(int x, int y, const uint8_t *bits, int count);
    // ORs src into this bitmap with its top-left corner at (x, y); clipped.
    void Blit(const Bitmap &src, int srcY, int rows, int x, int y);
    bool blank() const;
    void Clear();
    // Packed rows, MSB first, (width + 7) / 8 bytes a row.
    const std::vector<uint8_t> &rows() const { return bits_; }
    int stride() const { return stride_; }

private:
    void Grow(int rows);

    int width_;
    int stride_;
    int maxHeight_;
    int height_ = 0;
    std::vector<uint8_t> bits_;
};

// Inline: text and pictures are drawn through it a row at a time.
inline void Bitmap::OrBits(int x, int y, const uint8_t *bits, int count)
{
    if (x < 0 || x >= width_ || y < 0 || y >= maxHeight_)
        return;
    count = std::min(count, width_ - x);
    if (count <= 0)
        return;
    EnsureHeight(y + 1);
    uint8_t *row = &bits_[static_cast<size_t>(y) * stride_ + x / 8];
    const int shift = x % 8;
    const int whole = count / 8;
    // Every dot lies within the width, so a whole byte's spill-over does too.
    if (shift == 0) {
        for (int i = 0; i < whole; ++i)
            row[i] |= bits[i];
    } else {
        for (int i = 0; i < whole; ++i) {
            row[i] |= static_cast<uint8_t>(bits[i] >> shift);
            row[i + 1] |= static_cast<uint8_t>(bits[i] << (8 - shift));
        }
    }
    if (count % 8 != 0) {
        const unsigned v = bits[whole] & (0xFF00u >> (count % 8));  // nothing past the last dot
        row[whole] |= static_cast<uint8_t>(v >> shift);
        if (shift + count % 8 > 8)
            row[whole + 1] |= static_cast<uint8_t>(v << (8 - shift));
    }
}
