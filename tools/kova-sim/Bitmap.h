#pragma once

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
    void EnsureHeight(int rows);
    void Set(int x, int y);
    bool get(int x, int y) const;
    // ORs src into this bitmap with its top-left corner at (x, y); clipped.
    void Blit(const Bitmap &src, int srcY, int rows, int x, int y);
    bool blank() const;
    void Clear();
    // Packed rows, MSB first, (width + 7) / 8 bytes a row.
    const std::vector<uint8_t> &rows() const { return bits_; }
    int stride() const { return stride_; }

private:
    int width_;
    int stride_;
    int maxHeight_;
    int height_ = 0;
    std::vector<uint8_t> bits_;
};
