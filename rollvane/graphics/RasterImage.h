#pragma once

#include "platform/Clock.h"
#include "rollvane/graphics/BmpFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// Turns a BMP file into the image the printer stores as a downloaded bit image: a 1-bit BMP as
// wide as the print area, the picture scaled to a width and placed left, centred, right or at
// a dot offset, at most 512 rows. A pure codec: no widget, no printer traffic, the same dots on
// every machine. Results are the codes below (0 on success).
class RasterImage {
public:
    // Position codes; 0 or more is an offset in dots from the left edge of the print area.
    static constexpr int32_t PositionLeft = -1;
    static constexpr int32_t PositionCenter = -2;
    static constexpr int32_t PositionRight = -3;

    static constexpr int kConverted = 0;
    static constexpr int kFailed = 106;      // damaged or unsupported file, bad position code
    static constexpr int kCannotOpen = 109;  // the file could not be opened or read
    static constexpr int kDoesNotFit = 206;  // wider than the print area, or over kMaxRows
    static constexpr int kNotBmp = 207;      // no BMP file header or information header

    static constexpr int32_t kMaxRows = 512;
    // Far above any logo; a device or a huge file chosen by mistake is refused, not read.
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
    // An open that fails for a cause other than "not there" may be a file another program
    // holds for a moment: it is tried this many times, this far apart.
    static constexpr int kOpenAttempts = 5;
    static constexpr std::chrono::milliseconds kOpenPause{330};
    // With the large font the picture is drawn 1/1.17 as wide, and its offset too.
    static constexpr double kSize2Factor = 0.8547008547008548;
    static constexpr std::size_t kHeaderBytes = 62;

    explicit RasterImage(platform::Clock &clock);

    // The print area in dots and the font size (1 or 2); set before Convert.
    void SetPaper(int32_t maxWidth, int32_t fontSize);
    // Converts the picture at path drawn width dots wide (0 or less: its own width) at position.
    // reserved is not used. On failure before drawing, the previous image stays.
    int Convert(const std::string &path, int32_t width, int32_t reserved, int32_t position);
    // Reads the file at path as the source picture and gives its width and height.
    int LoadBmp(const std::string &path, int32_t *width, int32_t *height);

    // The converted image, a whole BMP file, valid until the next Convert.
    const uint8_t *data() const { return output_.data(); }
    uint32_t size() const { return static_cast<uint32_t>(output_.size()); }
    // Why the last LoadBmp or Convert failed, for a person; empty after success.
    const std::string &problem() const { return problem_; }

    // The kHeaderBytes header of a 1-bit BMP of width x height dots, rows bottom up, colour 0
    // black and colour 1 white: the form the printer keeps its images in. file has room for it
    // and holds zeros there.
    static void WriteHeader(uint8_t *file, int32_t width, int32_t height);
    // Bytes of one output row: 1 bit a dot, rounded up to 4 bytes.
    static std::size_t RowBytes(int32_t maxWidth) { return static_cast<std::size_t>((maxWidth + 31) / 32) * 4; }

private:
    int Fail(int code, std::string problem);
    void Draw(int64_t targetWidth, int64_t targetHeight, int64_t offset);

    platform::Clock &clock_;
    int32_t maxWidth_ = 0;
    int32_t fontSize_ = 1;
    BmpFile source_;
    std::vector<uint8_t> output_;
    std::string problem_;
};

}  // namespace rollvane
