#include "rollvane/graphics/BmpFile.h"

namespace rollvane {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

uint32_t Le32(const std::string &bytes, std::size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

uint16_t Le16(const std::string &bytes, std::size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

}  // namespace

BmpFile::Fault BmpFile::Refuse(Fault fault, std::string problem)
{
    bytes_.clear();
    width_ = height_ = 0;
    problem_ = std::move(problem);
    return fault;
}

BmpFile::Fault BmpFile::Parse(std::string bytes)
{
    bytes_ = std::move(bytes);
    problem_.clear();
    const std::size_t length = bytes_.size();
    if (length < kFileHeaderSize || bytes_[0] != 'B' || bytes_[1] != 'M') {
        return Refuse(Fault::NotBmp, "it does not start with a BMP file header");
    }
    if (length < kFileHeaderSize + kInfoHeaderSize) {
        return Refuse(Fault::NotBmp, "its information header is cut short");
    }
    const uint32_t fileSize = Le32(bytes_, 2);
    const uint32_t pixelOffset = Le32(bytes_, 10);
    const uint32_t headerSize = Le32(bytes_, 14);
    // A 12-byte OS/2 header lays out its fields differently; it is not read as a 40-byte one.
    if (headerSize < kInfoHeaderSize || headerSize > length - kFileHeaderSize) {
        return Refuse(Fault::NotBmp, "its information header is " + std::to_string(headerSize) +
                                         " bytes, not 40 or more within the file");
    }
    const auto width = static_cast<int32_t>(Le32(bytes_, 18));
    const auto height = static_cast<int32_t>(Le32(bytes_, 22));
    const uint16_t bits = Le16(bytes_, 28);
    const uint32_t compression = Le32(bytes_, 30);
    const uint32_t coloursUsed = Le32(bytes_, 46);
    if (width <= 0 || height <= 0) {
        // Zero would divide by zero in the scaling; a negative height is a top-down file.
        return Refuse(Fault::NotBmp, "its size is " + std::to_string(width) + " x " + std::to_string(height) +
                                         " pixels (a bottom-up picture needs both above 0)");
    }
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
        return Refuse(Fault::Damaged, "it has " + std::to_string(bits) +
                                          " bits per pixel; only 1, 2, 4 and 8 bits with a colour table are read");
    }
    if (compression != 0) {
        return Refuse(Fault::Damaged, "it is compressed (method " + std::to_string(compression) + ")");
    }
    const std::size_t tableStart = kFileHeaderSize + headerSize;
    if (pixelOffset < tableStart || fileSize < pixelOffset) {
        return Refuse(Fault::Damaged, "its header gives the pixels at byte " + std::to_string(pixelOffset) +
                                          " of a file of " + std::to_string(fileSize) + " bytes");
    }
    // The table lies between the information header and the pixels; a colour count that is 0 or
    // too large means the whole table of 2^bits entries.
    const std::size_t fullTable = std::size_t{1} << bits;
    const std::size_t entries = coloursUsed > 0 && coloursUsed < fullTable ? coloursUsed : fullTable;
    const std::size_t room = (std::min<std::size_t>(pixelOffset, length) - tableStart) / 4;
    if (room == 0) {
        return Refuse(Fault::Damaged, "it has no colour table");
    }
    blackIndex_.fill(1);
    for (std::size_t i = 0; i < std::min(entries, room); ++i) {
        const std::size_t at = tableStart + 4 * i;
        // Blue, green, red: nearer black than white when the sum is below half of white's.
        const int sum = static_cast<uint8_t>(bytes_[at]) + static_cast<uint8_t>(bytes_[at + 1]) +
                        static_cast<uint8_t>(bytes_[at + 2]);
        blackIndex_[i] = sum <= 382 ? 1 : 0;
    }
    const uint64_t rowSize = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t pixelRoom = pixelOffset <= length ? length - pixelOffset : 0;
    if (rowSize > pixelRoom || static_cast<uint64_t>(height) > pixelRoom / rowSize) {
        return Refuse(Fault::Damaged, "its " + std::to_string(height) + " rows of " + std::to_string(rowSize) +
                                          " bytes do not fit in the " + std::to_string(length) +
                                          "-byte file after byte " + std::to_string(pixelOffset));
    }
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bits;
    pixelOffset_ = pixelOffset;
    rowSize_ = static_cast<std::size_t>(rowSize);
    return Fault::None;
}

void BmpFile::BlackPixels(int32_t y, int32_t begin, int32_t end, std::vector<uint8_t> &black) const
{
    black.assign(static_cast<std::size_t>(end - begin), 0);
    // Rows are stored bottom row first.
    const auto *row = reinterpret_cast<const uint8_t *>(bytes_.data()) + pixelOffset_ +
                      rowSize_ * static_cast<std::size_t>(height_ - 1 - y);
    const int bits = bitsPerPixel_;
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (int32_t x = begin; x < end; ++x) {
        const unsigned shift = static_cast<unsigned>(8 - bits * (1 + x % perByte));
        const unsigned index = (row[x / perByte] >> shift) & mask;
        black[static_cast<std::size_t>(x - begin)] = blackIndex_[index];
    }
}

}  // namespace rollvane
