#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

// Reads the monochrome (1 bit per pixel, uncompressed) BMP files that the
// printer accepts as downloaded bit images.
class BmpImage {
public:
    static constexpr int kMaxSide = 4096;

    // Total length the file header announces, or 0 when the first bytes are
    // not a BMP header. Needs at least 6 bytes.
    static uint32_t DeclaredLength(std::span<const uint8_t> head);
    static std::optional<Bitmap> Decode(std::span<const uint8_t> file);
};
