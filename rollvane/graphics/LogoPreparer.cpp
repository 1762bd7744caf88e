#include "rollvane/graphics/LogoPreparer.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"
#include "platform/SystemError.h"
#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/RasterImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <vector>

namespace rollvane {

namespace {

// Luminance 0 (black) to 255 (white) of row y: BT.601 weights in integers, exact for greys.
void GreyRow(const QImage &image, int y, std::vector<int> &grey)
{
    const int width = image.width();
    const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < width; ++x) {
        grey[static_cast<std::size_t>(x)] =
            (77 * qRed(line[x]) + 150 * qGreen(line[x]) + 29 * qBlue(line[x]) + 128) >> 8;
    }
}

// The picture as opaque RGB32 pixels, transparent parts laid on white paper. Qt scales RGB32
// faster than its grey format, so grey pictures take this way too.
QImage OnWhitePaper(const QImage &picture)
{
    if (!picture.hasAlphaChannel()) {
        return picture.convertToFormat(QImage::Format_RGB32);
    }
    QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Premultiplied colour over white: C + (1 - alpha) * white.
            const int paper = 255 - qAlpha(line[x]);
            line[x] = qRgb(qRed(line[x]) + paper, qGreen(line[x]) + paper, qBlue(line[x]) + paper);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

}  // namespace

std::string LogoPreparer::OptionsProblem(const Options &options)
{
    const int32_t limit = BitImagePage::FileWidthLimit(options.paperWidth, options.fontSize);
    if (limit == 0) {
        return "the paper width must be 80mm or 58mm and the font size Size1 or Size2";
    }
    if (options.width > limit) {
        return "the width " + std::to_string(options.width) + " is more than the " + std::to_string(limit) + " dots " +
               options.paperWidth + " paper with " + options.fontSize + " takes";
    }
    if (options.width != 0 && options.width < kMinWidth) {
        return "the width " + std::to_string(options.width) + " is less than " + std::to_string(kMinWidth) +
               " dots (0 keeps the picture's own width)";
    }
    return "";
}

int LogoPreparer::Fail(int code, std::string problem)
{
    problem_ = std::move(problem);
    return code;
}

int LogoPreparer::Prepare(const std::string &in, const std::string &out, const Options &options)
{
    note_.clear();
    if (std::string problem = OptionsProblem(options); !problem.empty()) {
        return Fail(kBadOptions, std::move(problem));
    }
    std::string content;
    int error = 0;
    // Read as a regular file within a limit: a FIFO or a device named by mistake is not waited on.
    if (!platform::InputFile::Read(in, RasterImage::kMaxFileBytes, &content, &error)) {
        return Fail(kCannotRead,
                    "Cannot read " + in + ": " + platform::InputFile::FailureText(error, RasterImage::kMaxFileBytes));
    }
    QByteArray data = QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Formats Qt reads without a plugin are named, so that no plugin is loaded only to be asked
    // whether it knows the bytes: that would cost more than reading a logo.
    if (content.rfind("BM", 0) == 0) {
        reader.setFormat("bmp");
        reader.setAutoDetectImageFormat(false);
    } else if (content.rfind("\x89PNG\r\n\x1A\n", 0) == 0) {
        reader.setFormat("png");
        reader.setAutoDetectImageFormat(false);
    }
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        return Fail(kCannotRead, "Cannot read " + in + ": " + reader.errorString().toStdString());
    }
    if (const int code = Make(picture, options); code != kPrepared) {
        return code;
    }
    if (!platform::AtomicFile::Write(out, bytes_, &error)) {
        return Fail(kCannotWrite, "Cannot write " + out + ": " + platform::SystemError::Text(error));
    }
    return kPrepared;
}

int LogoPreparer::Make(const QImage &picture, const Options &options)
{
    note_.clear();
    if (std::string problem = OptionsProblem(options); !problem.empty()) {
        return Fail(kBadOptions, std::move(problem));
    }
    if (picture.isNull()) {
        return Fail(kCannotRead, "the picture is empty");
    }
    const int64_t sourceWidth = picture.width();
    const int64_t sourceHeight = picture.height();
    const int64_t limit = BitImagePage::FileWidthLimit(options.paperWidth, options.fontSize);
    int64_t width = options.width != 0 ? options.width : std::min(sourceWidth, limit);
    int64_t height = std::max<int64_t>(1, (2 * sourceHeight * width + sourceWidth) / (2 * sourceWidth));
    if (height > RasterImage::kMaxRows) {
        const int64_t fitted =
            std::max<int64_t>(1, (2 * sourceWidth * RasterImage::kMaxRows + sourceHeight) / (2 * sourceHeight));
        note_ = "At " + std::to_string(width) + " dots wide the picture would be " + std::to_string(height) +
                " dots high, more than the " + std::to_string(RasterImage::kMaxRows) + " the printer takes: it is " +
                std::to_string(fitted) + " x " + std::to_string(RasterImage::kMaxRows) + " dots instead.";
        width = fitted;
        height = RasterImage::kMaxRows;
    }
    QImage image = OnWhitePaper(picture);
    if (width != sourceWidth || height != sourceHeight) {
        image = image.scaled(static_cast<int>(width), static_cast<int>(height), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    if (image.isNull()) {
        return Fail(kCannotRead, "the picture could not be scaled to " + std::to_string(width) + " x " +
                                     std::to_string(height) + " dots");
    }
    Pack(image, options.dither);
    problem_.clear();
    return kPrepared;
}

void LogoPreparer::Pack(const QImage &image, bool dither)
{
    width_ = image.width();
    height_ = image.height();
    const std::size_t rowBytes = RasterImage::RowBytes(width_);
    bytes_.assign(RasterImage::kHeaderBytes + rowBytes * static_cast<std::size_t>(height_), '\0');
    RasterImage::WriteHeader(reinterpret_cast<uint8_t *>(bytes_.data()), width_, height_);

    const auto width = static_cast<std::size_t>(width_);
    std::vector<int> grey(width);
    // Error carried to this row and the next, one spare entry each side.
    std::vector<int> here(width + 2, 0);
    std::vector<int> below(width + 2, 0);
    for (int32_t y = 0; y < height_; ++y) {
        GreyRow(image, y, grey);
        auto *row = reinterpret_cast<uint8_t *>(bytes_.data()) + RasterImage::kHeaderBytes +
                    static_cast<std::size_t>(height_ - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < width; ++x) {
            const int value = dither ? grey[x] + here[x + 1] : grey[x];
            const bool white = value >= kBlackBelow;
            if (white) {
                row[x / 8] = static_cast<uint8_t>(row[x / 8] | 0x80u >> (x % 8));
            }
            if (dither) {
                // Floyd-Steinberg; the last share takes the rounding so no error is lost.
                const int error = value - (white ? 255 : 0);
                const int right = error * 7 / 16;
                const int downLeft = error * 3 / 16;
                const int down = error * 5 / 16;
                here[x + 2] += right;
                below[x] += downLeft;
                below[x + 1] += down;
                below[x + 2] += error - right - downLeft - down;
            }
        }
        if (dither) {
            here.swap(below);
            std::fill(below.begin(), below.end(), 0);
        }
    }
}

}  // namespace rollvane
