#include "PngWriter.h"

#include "Bitmap.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void Chunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data)
{
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};

// One packer and row buffer a thread, kept from picture to picture: a fresh
// deflate stream's quarter megabyte, taken and given back for every short
// receipt, cost more than packing it.
struct Packer {
    z_stream stream{};
    bool ready = false;
    std::vector<uint8_t> raw;

    Packer()
    {
        // The fastest level: at level 6 a short receipt took twice as long for
        // a file a fifth smaller, at level 9 twenty times; noise as tall as the
        // paper took a quarter of a second at 9.
        ready = deflateInit(&stream, Z_BEST_SPEED) == Z_OK;
    }
    ~Packer()
    {
        if (ready)
            deflateEnd(&stream);
    }
    Packer(const Packer &) = delete;
    Packer &operator=(const Packer &) = delete;
};

}  // namespace

std::vector<uint8_t> PngWriter::Encode(const Bitmap &bitmap, int height)
{
    thread_local Packer packer;
    if (!packer.ready || deflateReset(&packer.stream) != Z_OK)
        return {};
    const int width = bitmap.width();
    const int stride = (width + 7) / 8;
    height = height < 1 ? 1 : height;

    // PNG greyscale 1-bit: 0 is black, so the paper's dots are inverted.
    std::vector<uint8_t> &raw = packer.raw;
    raw.resize(static_cast<size_t>(height) * (stride + 1));
    const int drawn = std::min(height, bitmap.height());
    for (int y = 0; y < height; ++y) {
        uint8_t *out = &raw[static_cast<size_t>(y) * (stride + 1)];
        out[0] = 0;  // filter: none
        if (y >= drawn) {
            std::memset(out + 1, 0xFF, static_cast<size_t>(stride));
            continue;
        }
        const uint8_t *in = &bitmap.rows()[static_cast<size_t>(y) * bitmap.stride()];
        for (int b = 0; b < stride; ++b)
            out[1 + b] = static_cast<uint8_t>(~in[b]);
    }

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    Put32(ihdr, static_cast<uint32_t>(width));
    Put32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});  // depth 1, greyscale, deflate, no filter, no interlace
    Chunk(png, "IHDR", ihdr);

    // The picture is packed straight into its chunk.
    const uLong bound = deflateBound(&packer.stream, static_cast<uLong>(raw.size()));
    const size_t lengthAt = png.size();
    png.resize(lengthAt + 8 + bound);
    std::memcpy(&png[lengthAt + 4], "IDAT", 4);
    z_stream &z = packer.stream;
    z.next_in = raw.data();
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = &png[lengthAt + 8];
    z.avail_out = static_cast<uInt>(bound);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END)
        return {};
    const size_t packed = bound - z.avail_out;
    png.resize(lengthAt + 8 + packed);
    for (int i = 0; i < 4; ++i)
        png[lengthAt + static_cast<size_t>(i)] = static_cast<uint8_t>(packed >> (24 - 8 * i));
    Put32(png, static_cast<uint32_t>(crc32(0L, &png[lengthAt + 4], static_cast<uInt>(packed + 4))));
    Chunk(png, "IEND", {});
    return png;
}

bool PngWriter::WriteFile(const std::string &path, const Bitmap &bitmap, int height)
{
    const std::vector<uint8_t> png = Encode(bitmap, height);
    if (png.empty())
        return false;
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f)
        return false;
    return std::fwrite(png.data(), 1, png.size(), f.get()) == png.size();
}
