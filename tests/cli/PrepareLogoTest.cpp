#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/DotPicture.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include <functional>
#include <sys/stat.h>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

// A picture of width x height, each pixel colour(x, y) (0xAARRGGBB).
QImage Picture(int width, int height, QImage::Format format, const std::function<QRgb(int, int)> &colour)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(x, y, colour(x, y));
        }
    }
    return picture.convertToFormat(format);
}

QImage LeftHalfBlack(int width, int height, QImage::Format format)
{
    return Picture(width, height, format, [width](int x, int) { return x < width / 2 ? 0xFF000000 : 0xFFFFFFFF; });
}

QImage Grey(int value)
{
    return Picture(64, 64, QImage::Format_Grayscale8, [value](int, int) { return qRgb(value, value, value); });
}

int BlackDots(const QImage &dots, int x0, int x1, int y0, int y1)
{
    int black = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            black += qGray(dots.pixel(x, y)) == 0;
        }
    }
    return black;
}

// Qt writes no alpha into a BMP: a 32-bit file with an alpha mask (108-byte header), as editors
// write one.
std::string Bmp32(const QImage &picture)
{
    const auto width = static_cast<uint32_t>(picture.width());
    const auto height = static_cast<uint32_t>(picture.height());
    std::string bytes(122 + 4 * width * height, '\0');
    auto put = [&bytes](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<uint32_t>(bytes.size()));
    put(10, 122);
    put(14, 108);
    put(18, width);
    put(22, height);
    put(26, 1 | 32 << 16);
    put(30, 3);  // bit fields
    put(34, 4 * width * height);
    put(54, 0x00FF0000);
    put(58, 0x0000FF00);
    put(62, 0x000000FF);
    put(66, 0xFF000000);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            put(122 + 4 * ((height - 1 - y) * width + x), picture.pixel(static_cast<int>(x), static_cast<int>(y)));
        }
    }
    return bytes;
}

bool Exists(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

struct Case {
    const char *name;
    std::function<bool(const std::string &dir)> input;  // writes in.*; false when it could not
    std::vector<std::string> args;
    int exitCode;
    std::string out;
    std::string err;
    // Of a written out.bmp: its dots, one pixel a dot (black 0, white 255).
    std::function<void(const QImage &dots)> check = {};
    std::string paper = "80mm";
    std::string font = "Size1";
};

std::function<bool(const std::string &)> Saved(const QImage &picture, const char *name, const char *format,
                                               QImageIOHandler::Transformations turn = {})
{
    return [=](const std::string &dir) {
        QImageWriter writer(QString::fromStdString(dir + "/" + name), format);
        writer.setTransformation(turn);
        return writer.write(picture);
    };
}

const char kWrote[] = "Wrote out.bmp: ";

}  // namespace

// Pictures of every kind through the real program, into files the page takes as they are.
TEST(PrepareLogoTest, PicturesBecomePrinterReadyFiles)
{
    const QImage indexed = [] {
        // A paletted picture whose transparent entry is black underneath.
        QImage picture(40, 10, QImage::Format_Indexed8);
        picture.setColorTable({qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 255)});
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 40; ++x) {
                picture.setPixel(x, y, x < 30 ? 0 : 1);
            }
        }
        return picture;
    }();
    const Case cases[] = {
        {"24-bit PNG, left half black",
         Saved(LeftHalfBlack(200, 100, QImage::Format_RGB888), "in.png", "png"),
         {"in.png", "out.bmp"},
         0,
         std::string(kWrote) + "200 x 100 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             ASSERT_EQ(dots.size(), QSize(200, 100));
             EXPECT_EQ(BlackDots(dots, 0, 100, 0, 100), 100 * 100);
             EXPECT_EQ(BlackDots(dots, 100, 200, 0, 100), 0);
         }},
        {"JPEG scaled to a quarter",
         Saved(LeftHalfBlack(400, 200, QImage::Format_RGB32), "in.jpg", "jpeg"),
         {"in.jpg", "out.bmp", "--width", "100"},
         0,
         std::string(kWrote) + "100 x 50 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             ASSERT_EQ(dots.size(), QSize(100, 50));
             EXPECT_EQ(BlackDots(dots, 0, 50, 0, 50), 50 * 50);
             EXPECT_EQ(BlackDots(dots, 50, 100, 0, 50), 0);
         }},
        {"JPEG turned upright by its EXIF orientation",
         Saved(LeftHalfBlack(40, 20, QImage::Format_RGB32), "in.jpg", "jpeg", QImageIOHandler::TransformationRotate90),
         {"in.jpg", "out.bmp"},
         0,
         std::string(kWrote) + "20 x 40 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             ASSERT_EQ(dots.size(), QSize(20, 40));
             EXPECT_EQ(BlackDots(dots, 0, 20, 0, 20), 20 * 20);
             EXPECT_EQ(BlackDots(dots, 0, 20, 20, 40), 0);
         }},
        {"paletted PNG, transparent entry over black",
         Saved(indexed, "in.png", "png"),
         {"in.png", "out.bmp"},
         0,
         std::string(kWrote) + "40 x 10 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             EXPECT_EQ(BlackDots(dots, 0, 30, 0, 10), 0);
             EXPECT_EQ(BlackDots(dots, 30, 40, 0, 10), 10 * 10);
         }},
        {"32-bit BMP with alpha: half-transparent black is light",
         [](const std::string &dir) {
             TempDir::Write(dir + "/in.bmp", Bmp32(Picture(64, 8, QImage::Format_ARGB32, [](int x, int) {
                                return x < 16 ? 0xFF000000 : x < 32 ? 0x7F000000 : x < 48 ? 0x81000000 : 0x00000000;
                            })));
             return true;
         },
         {"in.bmp", "out.bmp"},
         0,
         std::string(kWrote) + "64 x 8 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             EXPECT_EQ(BlackDots(dots, 0, 16, 0, 8), 16 * 8);
             EXPECT_EQ(BlackDots(dots, 16, 32, 0, 8), 0);  // luminance 128
             EXPECT_EQ(BlackDots(dots, 32, 48, 0, 8), 16 * 8);
             EXPECT_EQ(BlackDots(dots, 48, 64, 0, 8), 0);
         }},
        {"grey 127 is black",
         Saved(Grey(127), "in.png", "png"),
         {"in.png", "out.bmp"},
         0,
         std::string(kWrote) + "64 x 64 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) { EXPECT_EQ(BlackDots(dots, 0, 64, 0, 64), 64 * 64); }},
        {"grey 128 is white",
         Saved(Grey(128), "in.png", "png"),
         {"in.png", "out.bmp"},
         0,
         std::string(kWrote) + "64 x 64 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) { EXPECT_EQ(BlackDots(dots, 0, 64, 0, 64), 0); }},
        {"grey 127 dithered is half black",
         Saved(Grey(127), "in.png", "png"),
         {"in.png", "out.bmp", "--dither"},
         0,
         std::string(kWrote) + "64 x 64 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "",
         [](const QImage &dots) {
             const int black = BlackDots(dots, 0, 64, 0, 64);
             EXPECT_GT(black, 64 * 64 * 45 / 100);
             EXPECT_LT(black, 64 * 64 * 55 / 100);
             // Spread over the picture, not in bands: each quarter has its share.
             EXPECT_GT(BlackDots(dots, 0, 32, 0, 32), 32 * 32 * 40 / 100);
             EXPECT_GT(BlackDots(dots, 32, 64, 32, 64), 32 * 32 * 40 / 100);
         }},
        {"wider than the paper: reduced to its limit",
         Saved(LeftHalfBlack(1000, 100, QImage::Format_RGB32), "in.png", "png"),
         {"in.png", "out.bmp", "--paper", "58", "--font=2"},
         0,
         std::string(kWrote) + "360 x 36 dots, 1 bit per pixel, for 58mm paper with Size2.\n",
         "",
         [](const QImage &dots) { EXPECT_EQ(BlackDots(dots, 0, 360, 0, 36), 180 * 36); },
         "58mm",
         "Size2"},
        {"higher than 512 rows: made narrower",
         Saved(LeftHalfBlack(100, 1000, QImage::Format_RGB32), "in.png", "png"),
         {"in.png", "out.bmp", "--width=100"},
         0,
         std::string(kWrote) + "51 x 512 dots, 1 bit per pixel, for 80mm paper with Size1.\n",
         "Note: At 100 dots wide the picture would be 1000 dots high, more than the 512 the printer takes: it is "
         "51 x 512 dots instead.\n",
         [](const QImage &dots) { EXPECT_EQ(dots.size(), QSize(51, 512)); }},
        {"absent input",
         nullptr,
         {"absent.png", "out.bmp"},
         1,
         "",
         "Error: Cannot read absent.png: No such file or directory\n"},
        {"not a picture",
         [](const std::string &dir) {
             TempDir::Write(dir + "/notes.png", "not a picture at all\n");
             return true;
         },
         {"notes.png", "out.bmp"},
         1,
         "",
         "Error: Cannot read notes.png: Unsupported image format\n"},
        {"a folder as input", nullptr, {".", "out.bmp"}, 1, "", "Error: Cannot read .: Is a directory\n"},
        {"output folder missing",
         Saved(Grey(0), "in.png", "png"),
         {"in.png", "missing/out.bmp"},
         1,
         "",
         "Error: Cannot write missing/out.bmp: No such file or directory\n"},
        // Usage errors: nothing is read or written.
        {"width too large",
         nullptr,
         {"in.png", "out.bmp", "--width", "577"},
         2,
         "",
         "rollvane-cli: prepare-logo: the width 577 is more than the 576 dots 80mm paper with Size1 takes\n"},
        {"width too large for 80 mm Size2",
         nullptr,
         {"in.png", "out.bmp", "--font", "2", "--width", "513"},
         2,
         "",
         "rollvane-cli: prepare-logo: the width 513 is more than the 512 dots 80mm paper with Size2 takes\n"},
        {"width too small",
         nullptr,
         {"in.png", "out.bmp", "--width", "9"},
         2,
         "",
         "rollvane-cli: prepare-logo: the width 9 is less than 10 dots (0 keeps the picture's own width)\n"},
        {"width not a number",
         nullptr,
         {"in.png", "out.bmp", "--width", "-5"},
         2,
         "",
         "rollvane-cli: prepare-logo: --width takes a number of dots, not -5\n"},
        {"width twice",
         nullptr,
         {"in.png", "out.bmp", "--width", "20", "--width=30"},
         2,
         "",
         "rollvane-cli: prepare-logo: --width given twice\n"},
        {"width without a value",
         nullptr,
         {"in.png", "out.bmp", "--width"},
         2,
         "",
         "rollvane-cli: prepare-logo: --width needs a value\n"},
        {"unknown paper",
         nullptr,
         {"in.png", "out.bmp", "--paper", "76"},
         2,
         "",
         "rollvane-cli: prepare-logo: --paper takes 80 or 58, not 76\n"},
        {"unknown font",
         nullptr,
         {"in.png", "out.bmp", "--font", "3"},
         2,
         "",
         "rollvane-cli: prepare-logo: --font takes 1 or 2, not 3\n"},
        {"unknown option",
         nullptr,
         {"in.png", "out.bmp", "--invert"},
         2,
         "",
         "rollvane-cli: prepare-logo: unexpected argument --invert\n"},
        {"dither with a value",
         nullptr,
         {"in.png", "out.bmp", "--dither=yes"},
         2,
         "",
         "rollvane-cli: prepare-logo: --dither takes no value\n"},
        {"a third file",
         nullptr,
         {"in.png", "out.bmp", "more.bmp"},
         2,
         "",
         "rollvane-cli: prepare-logo: unexpected argument more.bmp\n"},
        {"no output", nullptr, {"in.png"}, 2, "", "rollvane-cli: prepare-logo needs IN and OUT\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        // An inifile.inf the Interface Properties dialog refuses: the command must not read it.
        TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nF.CONTROL=NULL\n");
        if (c.input) {
            ASSERT_TRUE(c.input(dir.path()));
        }
        std::vector<std::string> args = {"prepare-logo"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult result = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), args, dir.path());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, c.out);
        const bool usage = c.exitCode == 2 && c.err.rfind("rollvane-cli: ", 0) == 0;
        EXPECT_EQ(result.err, usage ? c.err + "see rollvane-cli prepare-logo --help\n" : c.err);
        if (c.exitCode != 0) {
            EXPECT_FALSE(Exists(dir.file("out.bmp")));
            EXPECT_FALSE(Exists(dir.file("missing")));
            continue;
        }
        const std::string bytes = TempDir::Read(dir.file("out.bmp"));
        EXPECT_EQ(rollvane::BitImagePage::FileProblem(bytes, c.paper, c.font), "");
        const QImage dots =
            rollvane::DotPicture::FromRaster(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        ASSERT_FALSE(dots.isNull());
        c.check(dots);
    }
}

// The file itself, byte for byte: headers, the colour table's order, bottom-up padded rows.
TEST(PrepareLogoTest, TheBytesOfASmallLogo)
{
    TempDir dir;
    // Top row black, white, black; bottom row white, white, black.
    const QImage picture = Picture(3, 2, QImage::Format_RGB32,
                                   [](int x, int y) { return (y == 0 && x != 1) || x == 2 ? 0xFF000000 : 0xFFFFFFFF; });
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("in.png")), "png"));
    const ProcessResult result = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                                                    {"prepare-logo", "in.png", "out.bmp"}, dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string expected("BM"
                               "\x46\0\0\0"            // file size 70
                               "\0\0\0\0"              // reserved
                               "\x3E\0\0\0"            // pixels at 62
                               "\x28\0\0\0"            // information header of 40 bytes
                               "\x03\0\0\0\x02\0\0\0"  // 3 x 2, bottom-up
                               "\x01\0\x01\0"          // one plane, 1 bit per pixel
                               "\0\0\0\0"              // not compressed
                               "\x08\0\0\0"            // 8 bytes of pixels
                               "\0\0\0\0\0\0\0\0"      // resolution
                               "\0\0\0\0\0\0\0\0"      // colours used, important
                               "\0\0\0\0"              // colour 0 black
                               "\xFF\xFF\xFF\0"        // colour 1 white
                               "\xC0\0\0\0"            // bottom row: white, white, black
                               "\x40\0\0\0",           // top row: black, white, black
                               70);
    EXPECT_EQ(TempDir::Read(dir.file("out.bmp")), expected);
}
