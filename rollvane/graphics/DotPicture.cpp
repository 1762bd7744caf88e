#include "rollvane/graphics/DotPicture.h"

#include "rollvane/graphics/RasterImage.h"

#include <QFile>
#include <QImageWriter>

namespace rollvane {

namespace {

int32_t Le32(const uint8_t *p)
{
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

QImage DotPicture::FromRaster(const uint8_t *data, std::size_t size)
{
    if (size < RasterImage::kHeaderBytes || data[0] != 'B' || data[1] != 'M' || data[28] != 1) {
        return {};
    }
    const int32_t width = Le32(data + 18);
    const int32_t height = Le32(data + 22);
    const int32_t offset = Le32(data + 10);
    if (width <= 0 || height <= 0 || offset < 0) {
        return {};
    }
    const std::size_t rowBytes = RasterImage::RowBytes(width);
    if (static_cast<std::size_t>(offset) > size ||
        (size - static_cast<std::size_t>(offset)) / rowBytes < static_cast<std::size_t>(height)) {
        return {};
    }
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int32_t y = 0; y < height; ++y) {
        // Rows are stored bottom first; a set bit is white paper.
        const uint8_t *row = data + offset + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        uchar *line = picture.scanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            line[x] = (row[x / 8] & (0x80u >> (x % 8))) ? 0xFF : 0x00;
        }
    }
    return picture;
}

bool DotPicture::SavePng(const QImage &picture, const std::string &path, std::string *problem)
{
    QImageWriter writer(QString::fromStdString(path), "png");
    if (writer.write(picture)) {
        return true;
    }
    *problem = writer.errorString().toStdString();
    return false;
}

}  // namespace rollvane
