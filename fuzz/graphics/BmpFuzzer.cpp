// Any bytes as a BMP file converted for the printer: nothing may crash or read past the file,
// and whatever converts is a 1-bit image as wide as the print area, at most 512 rows high, whose
// size matches its header. The whole input is the file, so real BMPs seed it; the paper, font,
// width and position are read from its last three bytes. The file is an in-memory one, reached
// by its /proc path as a chosen file would be.
#include "platform/VirtualClock.h"
#include "rollvane/graphics/RasterImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

uint32_t Le32(const uint8_t *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int file = memfd_create("bmp", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    if (size < 3) {
        return 0;
    }
    constexpr int32_t kPapers[4][2] = {{576, 1}, {560, 2}, {432, 1}, {424, 2}};
    const auto *paper = kPapers[data[size - 1] % 4];
    const int32_t width = data[size - 2] % 4 == 0 ? 0 : data[size - 2] * 3;
    const int32_t position = static_cast<int32_t>(data[size - 3] % 8) - 4;  // -4 to 3
    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    platform::VirtualClock clock;
    rollvane::RasterImage image(clock);
    image.SetPaper(paper[0], paper[1]);
    if (image.Convert(path, width, 0, position) != rollvane::RasterImage::kConverted) {
        return 0;
    }
    const uint8_t *out = image.data();
    const uint32_t rows = Le32(out + 22);
    if (Le32(out + 18) != static_cast<uint32_t>(paper[0]) || rows > 512 || Le32(out + 2) != image.size() ||
        image.size() != 62 + rows * rollvane::RasterImage::RowBytes(paper[0])) {
        std::abort();
    }
    return 0;
}
