#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>

namespace rollvane {

// The dots of an image RasterImage made, read back from its very bytes, as a picture a person
// can check before anything is sent: the print area as white paper, one black pixel a dot.
class DotPicture {
public:
    // A null image when the bytes are not a 1-bit, bottom-up BMP whose rows are all there.
    static QImage FromRaster(const uint8_t *data, std::size_t size);
    // Writes the picture as a PNG file; false with the cause in *problem.
    static bool SavePng(const QImage &picture, const std::string &path, std::string *problem);
};

}  // namespace rollvane
