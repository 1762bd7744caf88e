#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace graphics_testing {

// A BMP file as editors write it, with any field open to damage.
struct Bmp {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 1;
    // Pixel (x, y), y from the top: its colour index.
    std::function<int(int, int)> index = [](int, int) { return 0; };
    std::vector<uint32_t> palette = {0x000000, 0xFFFFFF};  // 0xRRGGBB
    uint32_t headerSize = 40;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;

    std::string Bytes() const;

    // A picture all of colour 0 (black).
    static Bmp Black(int32_t width, int32_t height) { return Bmp{width, height}; }
    // value's low bytes into s at at, least significant first.
    static void Put(std::string &s, std::size_t at, uint32_t value, int bytes);
};

}  // namespace graphics_testing
