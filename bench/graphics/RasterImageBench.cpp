// How fast a logo becomes the printer's image: a 1200 x 800 picture, 1-bit and 8-bit, reduced
// to the whole 80 mm print area, and a small one enlarged to it. The file is read each time,
// as the page does.
#include "platform/VirtualClock.h"
#include "rollvane/graphics/RasterImage.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

void Put(std::string &s, std::size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

// A picture of rings, written to a temporary file; its path.
std::string WriteRings(int width, int height, int bits)
{
    const int colours = 1 << bits;
    const std::size_t rowSize = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t offset = 54 + 4 * static_cast<std::size_t>(colours);
    std::string s(offset + rowSize * static_cast<std::size_t>(height), '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put(s, 2, static_cast<uint32_t>(s.size()), 4);
    Put(s, 10, static_cast<uint32_t>(offset), 4);
    Put(s, 14, 40, 4);
    Put(s, 18, static_cast<uint32_t>(width), 4);
    Put(s, 22, static_cast<uint32_t>(height), 4);
    Put(s, 26, 1, 2);
    Put(s, 28, static_cast<uint32_t>(bits), 2);
    for (int i = 0; i < colours; ++i) {
        const uint32_t grey = static_cast<uint32_t>(255 * i / (colours - 1));
        Put(s, 54 + 4 * static_cast<std::size_t>(i), grey * 0x010101u, 4);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2, dy = y - height / 2;
            const int index = (dx * dx + dy * dy) / 900 % colours;
            const int shift = 8 - bits * (1 + x % (8 / bits));
            s[offset + rowSize * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / (8 / bits))] |=
                static_cast<char>(index << shift);
        }
    }
    std::string path = (std::filesystem::temp_directory_path() / "raster-bench-XXXXXX").string();
    const int file = mkstemp(path.data());
    if (file < 0 || write(file, s.data(), s.size()) != static_cast<ssize_t>(s.size())) {
        std::abort();
    }
    close(file);
    return path;
}

void Convert(benchmark::State &state, int width, int height, int bits)
{
    const std::string path = WriteRings(width, height, bits);
    platform::VirtualClock clock;
    rollvane::RasterImage image(clock);
    image.SetPaper(576, 1);
    for (auto _ : state) {
        if (image.Convert(path, 576, 0, rollvane::RasterImage::PositionLeft) != 0) {
            state.SkipWithError(image.problem().c_str());
            break;
        }
        benchmark::DoNotOptimize(image.data());
    }
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK_CAPTURE(Convert, reduce_1200x800_1bit, 1200, 800, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, reduce_1200x800_8bit, 1200, 800, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, enlarge_100x80_1bit, 100, 80, 1)->Unit(benchmark::kMillisecond);
