#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Bitmap;

// Encodes a Bitmap as a 1-bit greyscale PNG (black dots on white paper).
// The output depends only on the bitmap, so the same receipt gives the same file.
class PngWriter {
public:
    static std::vector<uint8_t> Encode(const Bitmap &bitmap, int height);
    static bool WriteFile(const std::string &path, const Bitmap &bitmap, int height);
};
