#include "rollvane/graphics/RasterImage.h"
#include "platform/VirtualClock.h"
#include "tests/graphics/Bmp.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

using graphics_testing::Bmp;
using rollvane::RasterImage;
using testing_support::TempDir;

namespace {

uint32_t Get(const uint8_t *p, std::size_t at)
{
    return p[at] | p[at + 1] << 8 | p[at + 2] << 16 | static_cast<uint32_t>(p[at + 3]) << 24;
}

// The converted image as text rows, top first: '#' black, '.' white, one character a dot.
std::vector<std::string> Dots(const RasterImage &image)
{
    const uint8_t *p = image.data();
    const auto width = static_cast<int32_t>(Get(p, 18));
    const auto height = static_cast<int32_t>(Get(p, 22));
    const std::size_t rowBytes = RasterImage::RowBytes(width);
    std::vector<std::string> rows;
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t *row = p + 62 + rowBytes * static_cast<std::size_t>(y);
        std::string text;
        for (int32_t x = 0; x < width; ++x) {
            text += (row[x / 8] >> (7 - x % 8) & 1) ? '.' : '#';
        }
        rows.push_back(text);
    }
    return rows;
}

class RasterImageTest : public testing::Test {
protected:
    // Writes the BMP and converts it; the code Convert returned.
    int Convert(const std::string &bytes, int32_t width, int32_t position)
    {
        TempDir::Write(path, bytes);
        return image.Convert(path, width, 0, position);
    }

    TempDir dir;
    std::string path = dir.file("logo.bmp");
    platform::VirtualClock clock;
    RasterImage image{clock};
};

}  // namespace

// The image the printer stores: its header, size, placement and padding, in each paper and font.
TEST_F(RasterImageTest, GeometryOfTheConvertedImage)
{
    const struct {
        const char *name;
        int32_t maxWidth, fontSize, sourceWidth, sourceHeight, width, position;
        int32_t firstDot, endDot, rows;
    } cases[] = {
        {"centred, 80 mm", 576, 1, 200, 100, 400, RasterImage::PositionCenter, 88, 488, 200},
        {"centred, 80 mm large font", 560, 2, 200, 100, 400, RasterImage::PositionCenter, 68, 68 + 341, 170},
        {"left, own width", 432, 1, 100, 30, 0, RasterImage::PositionLeft, 0, 100, 30},
        {"right, whole width", 576, 1, 576, 10, 0, RasterImage::PositionRight, 0, 576, 10},
        {"right, 58 mm large font", 424, 2, 100, 50, 200, RasterImage::PositionRight, 191, 191 + 170, 85},
        {"an offset filling the row", 576, 1, 76, 2, 0, 500, 500, 576, 2},
        {"exactly 512 rows", 576, 1, 100, 100, 512, 0, 0, 512, 512},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        image.SetPaper(c.maxWidth, c.fontSize);
        ASSERT_EQ(Convert(Bmp::Black(c.sourceWidth, c.sourceHeight).Bytes(), c.width, c.position), 0)
            << image.problem();
        const std::size_t rowBytes = c.maxWidth == 576 || c.maxWidth == 560 ? 72 : 56;
        ASSERT_EQ(image.size(), 62 + rowBytes * static_cast<std::size_t>(c.rows));
        const std::string header(reinterpret_cast<const char *>(image.data()), 62);
        std::string expected(62, '\0');
        expected[0] = 'B';
        expected[1] = 'M';
        Bmp::Put(expected, 2, image.size(), 4);
        Bmp::Put(expected, 10, 62, 4);
        Bmp::Put(expected, 14, 40, 4);
        Bmp::Put(expected, 18, static_cast<uint32_t>(c.maxWidth), 4);
        Bmp::Put(expected, 22, static_cast<uint32_t>(c.rows), 4);
        Bmp::Put(expected, 26, 1, 2);
        Bmp::Put(expected, 28, 1, 2);
        Bmp::Put(expected, 34, image.size() - 62, 4);
        Bmp::Put(expected, 58, 0xFFFFFF, 4);
        EXPECT_EQ(header, expected);
        const std::string row = std::string(static_cast<std::size_t>(c.firstDot), '.') +
                                std::string(static_cast<std::size_t>(c.endDot - c.firstDot), '#') +
                                std::string(static_cast<std::size_t>(c.maxWidth - c.endDot), '.');
        for (const std::string &text : Dots(image)) {
            ASSERT_EQ(text, row);
        }
        // Past the print area every bit is 0, in every row.
        for (int32_t y = 0; y < c.rows; ++y) {
            const uint8_t *bytes = image.data() + 62 + rowBytes * static_cast<std::size_t>(y);
            for (std::size_t bit = static_cast<std::size_t>(c.maxWidth); bit < rowBytes * 8; ++bit) {
                ASSERT_EQ(bytes[bit / 8] >> (7 - bit % 8) & 1, 0) << "row " << y << " bit " << bit;
            }
        }
    }
}

// What does not fit or cannot be read gives its code and leaves the last image as it was.
TEST_F(RasterImageTest, RefusalsKeepThePreviousImage)
{
    image.SetPaper(576, 1);
    ASSERT_EQ(Convert(Bmp::Black(8, 8).Bytes(), 0, RasterImage::PositionLeft), 0);
    const std::vector<uint8_t> previous(image.data(), image.data() + image.size());

    auto with = [](Bmp bmp, const std::function<void(std::string &)> &damage) {
        std::string bytes = bmp.Bytes();
        damage(bytes);
        return bytes;
    };
    Bmp deep = Bmp::Black(4, 4);
    deep.bits = 24;
    deep.palette.clear();
    Bmp packed = Bmp::Black(4, 4);
    packed.compression = 1;
    Bmp os2 = Bmp::Black(4, 4);
    const struct {
        const char *name;
        std::string bytes;
        int32_t width, position;
        int code;
    } cases[] = {
        {"513 rows", Bmp::Black(100, 100).Bytes(), 513, 0, 206},
        {"one dot past the print area", Bmp::Black(77, 2).Bytes(), 0, 500, 206},
        {"too wide at the centre", Bmp::Black(10, 1).Bytes(), 578, RasterImage::PositionCenter, 206},
        {"position code -4", Bmp::Black(10, 1).Bytes(), 0, -4, 106},
        {"13 bytes", Bmp::Black(8, 8).Bytes().substr(0, 13), 0, 0, 207},
        {"not BM", with(Bmp::Black(8, 8), [](std::string &s) { s[1] = 'A'; }), 0, 0, 207},
        {"information header cut short", Bmp::Black(8, 8).Bytes().substr(0, 50), 0, 0, 207},
        {"12-byte header", with(os2, [](std::string &s) { Bmp::Put(s, 14, 12, 4); }), 0, 0, 207},
        {"header larger than the file", with(os2, [](std::string &s) { Bmp::Put(s, 14, 4000, 4); }), 0, 0, 207},
        {"width 0", with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 18, 0, 4); }), 0, 0, 207},
        {"top-down", with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 22, static_cast<uint32_t>(-8), 4); }), 0,
         0, 207},
        {"24 bits", deep.Bytes(), 0, 0, 106},
        {"compressed", packed.Bytes(), 0, 0, 106},
        {"no colour table", with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 10, 54, 4); }), 0, 0, 106},
        {"file size below the pixels", with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 2, 61, 4); }), 0, 0,
         106},
        {"pixels past the end", with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 10, 70, 4); }), 0, 0, 106},
        {"a 4 GB picture in 100 bytes",
         with(Bmp::Black(8, 8), [](std::string &s) { Bmp::Put(s, 18, 0x7FFFFFFF, 4), Bmp::Put(s, 22, 0x7FFFFFFF, 4); }),
         0, 0, 106},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(c.bytes, c.width, c.position), c.code);
        EXPECT_FALSE(image.problem().empty());
        EXPECT_EQ(std::vector<uint8_t>(image.data(), image.data() + image.size()), previous);
    }
    EXPECT_TRUE(clock.sleeps().empty());
}

// Black wins over white when several pixels fall on one dot; enlarging repeats each pixel.
// Colours are black or white by whichever is nearer; 2-, 4- and 8-bit pixels read alike.
TEST_F(RasterImageTest, DrawingRules)
{
    image.SetPaper(32, 1);
    const struct {
        const char *name;
        Bmp bmp;
        int32_t width;
        std::vector<std::string> rows;
    } cases[] = {
        {"a one-pixel line survives a reduction",
         {8, 4, 1, [](int x, int y) { return x == 5 || y == 2 ? 0 : 1; }},
         4,
         {"..#.", "####"}},
        {"enlarged pixels repeat",
         {3, 2, 1, [](int x, int y) { return (x + y) % 2; }},
         6,
         {"##..##", "##..##", "..##..", "..##.."}},
        {"nearest of black and white",
         {4, 1, 8, [](int x, int) { return x; }, {0x7F7F80, 0x807F80, 0x101010, 0xFFFFF0}},
         4,
         {"#.#."}},
        {"an index past a short table is black",
         {4, 1, 8, [](int x, int) { return x; }, {0xFFFFFF, 0xFFFFFF}},
         4,
         {"..##"}},
        {"4 bits", {5, 1, 4, [](int x, int) { return x % 3 == 0 ? 0 : 1; }, {0, 0xFFFFFF}}, 5, {"#..#."}},
        {"2 bits", {5, 1, 2, [](int x, int) { return x % 4; }, {0, 0xFFFFFF, 0x202020, 0xE0E0E0}}, 5, {"#.#.#"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Convert(c.bmp.Bytes(), c.width, RasterImage::PositionLeft), 0) << image.problem();
        std::vector<std::string> rows = Dots(image);
        for (std::string &row : rows) {
            row.resize(static_cast<std::size_t>(c.width));
        }
        EXPECT_EQ(rows, c.rows);
    }
}

// Editors today write 108- and 124-byte headers: the colour table follows the header as it
// says, and the pixels are where the file header points.
TEST_F(RasterImageTest, LargerHeadersGiveTheSameDots)
{
    image.SetPaper(432, 1);
    Bmp logo{97, 41, 1, [](int x, int y) { return (x * x + y * 3) % 7 < 3 ? 0 : 1; }};
    ASSERT_EQ(Convert(logo.Bytes(), 300, RasterImage::PositionCenter), 0);
    const std::vector<std::string> classic = Dots(image);
    for (uint32_t headerSize : {108u, 124u}) {
        SCOPED_TRACE(headerSize);
        Bmp modern = logo;
        modern.headerSize = headerSize;
        modern.palette = {0x000000, 0xFFFFFF, 0x000000};  // a gap the offset skips
        std::string bytes = modern.Bytes();
        bytes.insert(bytes.size() - 41 * 16, "pad!");
        Bmp::Put(bytes, 10, static_cast<uint32_t>(bytes.size() - 41 * 16), 4);
        Bmp::Put(bytes, 2, static_cast<uint32_t>(bytes.size()), 4);
        Bmp::Put(bytes, 46, 2, 4);
        ASSERT_EQ(Convert(bytes, 300, RasterImage::PositionCenter), 0) << image.problem();
        EXPECT_EQ(Dots(image), classic);
    }
}

// A file that is not there fails at once; one that cannot be opened for another reason is
// tried five times, 330 ms apart.
TEST_F(RasterImageTest, OpenFailuresAndRetries)
{
    image.SetPaper(576, 1);
    EXPECT_EQ(image.Convert(dir.file("missing.bmp"), 0, 0, 0), RasterImage::kCannotOpen);
    EXPECT_TRUE(clock.sleeps().empty());
    EXPECT_EQ(image.Convert(dir.path(), 0, 0, 0), RasterImage::kCannotOpen);
    EXPECT_TRUE(clock.sleeps().empty());

    TempDir::Write(path, Bmp::Black(8, 8).Bytes());
    // UBSan checks a virtual call's object the first time it sees its type, through a pipe; have
    // that done while descriptors are still free.
    static_cast<platform::Clock &>(clock).now();
    // Every descriptor taken: the open fails with EMFILE, a cause that may pass.
    const int last = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(last, 0);
    rlimit limits{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
    rlimit lowered = limits;
    lowered.rlim_cur = static_cast<rlim_t>(last) + 1;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const int code = image.Convert(path, 0, 0, 0);
    setrlimit(RLIMIT_NOFILE, &limits);
    ::close(last);
    EXPECT_EQ(code, RasterImage::kCannotOpen);
    EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>(4, std::chrono::milliseconds(330)));
    EXPECT_EQ(image.problem(), "Too many open files");
}

// Files as an image editor saved them (ImageMagick: BMP3, BMP4, and the 124-byte header).
TEST_F(RasterImageTest, RealFilesOfEachHeaderSizeGiveTheSameDots)
{
    const std::string seeds = std::string(std::getenv("ROLLVANE_SOURCE_DIR")) + "/fuzz/corpus/bmp/";
    image.SetPaper(576, 1);
    std::vector<std::vector<std::string>> results;
    for (const char *name : {"mono-40-byte-header.bmp", "mono-108-byte-header.bmp", "mono-124-byte-header.bmp"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(image.Convert(seeds + name, 96, 0, RasterImage::PositionCenter), 0) << image.problem();
        results.push_back(Dots(image));
    }
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
    // The 48 x 24 picture, a disc and a square, at twice its size in the middle of the row.
    ASSERT_EQ(results[0].size(), 48u);
    EXPECT_EQ(results[0][24].substr(240, 96).find_first_not_of('.'), 6u);  // the disc's left edge
    EXPECT_EQ(results[0][24].substr(0, 240), std::string(240, '.'));
}
