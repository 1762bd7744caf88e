#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// An uncompressed BMP of 1, 2, 4 or 8 bits per pixel, read from the file's bytes. The header is
// never trusted: every offset and size it gives is checked against the bytes there are before
// anything is read from it, so a short file claiming a huge picture costs its own length. The
// pixel rows come from the header's pixel-data offset and the colour table from right after an
// information header of the size it states (40, 108 or 124 bytes: editors write all three).
class BmpFile {
public:
    enum class Fault {
        None,
        NotBmp,   // no "BM" file header, or no information header of 40 bytes or more
        Damaged,  // a depth or compression this reader does not take, or the bytes do not hold
                  // what the header promises
    };

    // Takes the file's bytes; None when the picture can be read.
    Fault Parse(std::string bytes);
    // Why Parse refused the bytes, for a person; empty after success.
    const std::string &problem() const { return problem_; }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // Row y counted from the top, columns [begin, end): for each pixel 1 when its colour is
    // nearer black than white, else 0.
    void BlackPixels(int32_t y, int32_t begin, int32_t end, std::vector<uint8_t> &black) const;

private:
    Fault Refuse(Fault fault, std::string problem);

    std::string bytes_;
    std::string problem_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bitsPerPixel_ = 0;
    std::size_t pixelOffset_ = 0;
    std::size_t rowSize_ = 0;
    // Per colour index, whether the colour is nearer black; an index past the table is black.
    std::array<uint8_t, 256> blackIndex_{};
};

}  // namespace rollvane
