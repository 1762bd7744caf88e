#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Builds monochrome BMP files for download tests.
class TestBmp {
public:
    // black(x, y) decides each dot; rows are stored bottom-up as usual.
    static std::vector<uint8_t> Make(int width, int height, const std::function<bool(int, int)> &black);
};
