#include "tests/support/PngReader.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace testing_support {

namespace {

uint32_t Be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

std::optional<PngReader> PngReader::Load(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    static const uint8_t signature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (d.size() < 8 || std::memcmp(d.data(), signature, 8) != 0)
        return std::nullopt;
    PngReader png;
    std::vector<uint8_t> idat;
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= d.size()) {
        const uint32_t len = Be32(&d[at]);
        if (at + 12 + len > d.size())
            return std::nullopt;
        const uint8_t *type = &d[at + 4];
        const uint32_t crc = Be32(&d[at + 8 + len]);
        if (crc != static_cast<uint32_t>(crc32(0, type, len + 4)))
            return std::nullopt;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            png.width = static_cast<int>(Be32(type + 4));
            png.height = static_cast<int>(Be32(type + 8));
            if (type[12] != 1 || type[13] != 0)
                return std::nullopt;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), type + 4, type + 4 + len);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + len;
    }
    if (!ended || png.width <= 0 || png.height <= 0)
        return std::nullopt;
    const size_t stride = (static_cast<size_t>(png.width) + 7) / 8;
    std::vector<uint8_t> raw((stride + 1) * png.height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, idat.data(), idat.size()) != Z_OK || size != raw.size())
        return std::nullopt;
    png.black.resize(static_cast<size_t>(png.width) * png.height);
    for (int y = 0; y < png.height; ++y) {
        const uint8_t *row = &raw[y * (stride + 1)];
        if (row[0] != 0)
            return std::nullopt;  // only filter "none" is written
        for (int x = 0; x < png.width; ++x)
            png.black[static_cast<size_t>(y) * png.width + x] = !((row[1 + x / 8] >> (7 - x % 8)) & 1);
    }
    return png;
}

long long PngReader::blackCount() const
{
    long long n = 0;
    for (uint8_t b : black)
        n += b;
    return n;
}

}  // namespace testing_support
