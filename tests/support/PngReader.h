#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Reads back the 1-bit greyscale PNG files the printer writes, checking
// every chunk's CRC on the way.
class PngReader {
public:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> black;  // one byte a dot, 1 = black

    static std::optional<PngReader> Load(const std::string &path);
    bool at(int x, int y) const { return black[static_cast<size_t>(y) * width + x] != 0; }
    long long blackCount() const;
};

}  // namespace testing_support
