#include "rollvane/graphics/RasterImage.h"

#include "platform/InputFile.h"

#include <algorithm>
#include <cerrno>

namespace rollvane {

namespace {

// Open failures that no retry can mend: nothing there, or not a file a picture is read from.
bool Hopeless(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP || error == EISDIR ||
           error == EINVAL || error == EFBIG;
}

void Put32(uint8_t *out, std::size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

RasterImage::RasterImage(platform::Clock &clock) : clock_(clock) {}

void RasterImage::SetPaper(int32_t maxWidth, int32_t fontSize)
{
    maxWidth_ = maxWidth;
    fontSize_ = fontSize;
}

int RasterImage::Fail(int code, std::string problem)
{
    source_ = BmpFile{};
    problem_ = std::move(problem);
    return code;
}

int RasterImage::LoadBmp(const std::string &path, int32_t *width, int32_t *height)
{
    std::string bytes;
    int error = 0;
    for (int attempt = 1; !platform::InputFile::Read(path, kMaxFileBytes, &bytes, &error); ++attempt) {
        if (Hopeless(error) || attempt == kOpenAttempts) {
            return Fail(kCannotOpen, platform::InputFile::FailureText(error, kMaxFileBytes));
        }
        clock_.SleepFor(kOpenPause);
    }
    switch (source_.Parse(std::move(bytes))) {
    case BmpFile::Fault::None:
        break;
    case BmpFile::Fault::NotBmp:
        return Fail(kNotBmp, source_.problem());
    case BmpFile::Fault::Damaged:
        return Fail(kFailed, source_.problem());
    }
    problem_.clear();
    *width = source_.width();
    *height = source_.height();
    return kConverted;
}

int RasterImage::Convert(const std::string &path, int32_t width, int32_t /*reserved*/, int32_t position)
{
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    if (const int loaded = LoadBmp(path, &sourceWidth, &sourceHeight); loaded != kConverted) {
        return loaded;
    }
    int64_t targetWidth = width > 0 ? width : sourceWidth;
    int64_t offset = position;
    if (position == PositionLeft) {
        offset = 0;
    } else if (position == PositionCenter) {
        offset = (maxWidth_ - targetWidth) / 2;
    } else if (position == PositionRight) {
        offset = maxWidth_ - targetWidth;
    } else if (position < 0) {
        return Fail(kFailed, "the position code " + std::to_string(position) + " is none of -1, -2, -3 or an offset");
    }
    if (maxWidth_ <= 0) {
        return Fail(kFailed, "no print-area width was set");
    }
    if (targetWidth + offset > maxWidth_) {
        return Fail(kDoesNotFit, std::to_string(targetWidth) + " dots at offset " + std::to_string(offset) +
                                     " do not fit in the print area of " + std::to_string(maxWidth_) + " dots");
    }
    if (fontSize_ == 2) {
        targetWidth = static_cast<int64_t>(static_cast<double>(targetWidth) * kSize2Factor);
        offset = static_cast<int64_t>(static_cast<double>(offset) * kSize2Factor);
    }
    const int64_t targetHeight = targetWidth * sourceHeight / sourceWidth;
    if (targetHeight > kMaxRows) {
        return Fail(kDoesNotFit, "the picture would be " + std::to_string(targetHeight) + " rows high, more than " +
                                     std::to_string(kMaxRows));
    }
    Draw(targetWidth, targetHeight, offset);
    source_ = BmpFile{};
    problem_.clear();
    return kConverted;
}

void RasterImage::WriteHeader(uint8_t *file, int32_t width, int32_t height)
{
    const std::size_t imageBytes = RowBytes(width) * static_cast<std::size_t>(height);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(kHeaderBytes + imageBytes));
    Put32(file, 10, kHeaderBytes);
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    file[26] = 1;  // planes
    file[28] = 1;  // bits per pixel
    Put32(file, 34, static_cast<uint32_t>(imageBytes));
    // Colour 0 black, colour 1 white.
    Put32(file, 58, 0x00FFFFFF);
}

// Reducing, a dot is black when any source pixel that falls on it is black, so thin black lines
// survive; enlarging, each dot takes the nearest source pixel toward the top left. The rest of
// the print area is white.
void RasterImage::Draw(int64_t targetWidth, int64_t targetHeight, int64_t offset)
{
    const std::size_t rowBytes = RowBytes(maxWidth_);
    output_.assign(kHeaderBytes + static_cast<std::size_t>(targetHeight) * rowBytes, 0);
    WriteHeader(output_.data(), maxWidth_, static_cast<int32_t>(targetHeight));

    const int64_t sourceWidth = source_.width();
    const int64_t sourceHeight = source_.height();
    // Target column x (or row) covers source pixels [Start(x), Start(x + 1)), at least one.
    auto columnStart = [&](int64_t x) { return x * sourceWidth / std::max<int64_t>(targetWidth, 1); };
    auto rowStart = [&](int64_t y) { return y * sourceHeight / std::max<int64_t>(targetHeight, 1); };
    // Only the columns that land in the print area are drawn; the source is read for those alone.
    const int64_t firstColumn = std::max<int64_t>(0, -offset);
    const int64_t endColumn = std::min<int64_t>(targetWidth, maxWidth_ - offset);
    const int64_t sourceBegin = columnStart(firstColumn);
    const int64_t sourceEnd = std::max(columnStart(endColumn), columnStart(endColumn - 1) + 1);

    std::vector<uint8_t> dots(static_cast<std::size_t>(maxWidth_));
    std::vector<uint8_t> rowBlack;
    std::vector<uint8_t> pixels;
    int64_t cachedBegin = -1;
    int64_t cachedEnd = -1;
    for (int64_t y = 0; y < targetHeight; ++y) {
        std::fill(dots.begin(), dots.end(), 0);
        if (firstColumn < endColumn) {
            const int64_t begin = rowStart(y);
            const int64_t end = std::max(rowStart(y + 1), begin + 1);
            if (begin != cachedBegin || end != cachedEnd) {
                rowBlack.assign(static_cast<std::size_t>(sourceEnd - sourceBegin), 0);
                for (int64_t r = begin; r < end; ++r) {
                    source_.BlackPixels(static_cast<int32_t>(r), static_cast<int32_t>(sourceBegin),
                                        static_cast<int32_t>(sourceEnd), pixels);
                    for (std::size_t i = 0; i < pixels.size(); ++i) {
                        rowBlack[i] |= pixels[i];
                    }
                }
                cachedBegin = begin;
                cachedEnd = end;
            }
            for (int64_t x = firstColumn; x < endColumn; ++x) {
                const int64_t from = columnStart(x);
                const int64_t to = std::max(columnStart(x + 1), from + 1);
                const auto first = rowBlack.begin() + (from - sourceBegin);
                dots[static_cast<std::size_t>(offset + x)] =
                    std::find(first, first + (to - from), uint8_t{1}) != first + (to - from) ? 1 : 0;
            }
        }
        // Bottom row first; a set bit is white paper, and bits past the print area stay 0.
        uint8_t *row = output_.data() + kHeaderBytes + static_cast<std::size_t>(targetHeight - 1 - y) * rowBytes;
        for (int32_t d = 0; d < maxWidth_; ++d) {
            if (!dots[static_cast<std::size_t>(d)]) {
                row[d / 8] |= static_cast<uint8_t>(0x80u >> (d % 8));
            }
        }
    }
}

}  // namespace rollvane
