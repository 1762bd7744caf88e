// download-images and print-image through the real rollvane-cli: command lines it refuses, the
// pictures --preview writes and files the page refuses, while a printer on a pseudo-terminal
// must receive nothing.
#include "platform/RealClock.h"
#include "rollvane/graphics/DotPicture.h"
#include "rollvane/graphics/RasterImage.h"
#include "tests/graphics/Bmp.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/TempDir.h"

#include <QImage>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using graphics_testing::Bmp;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::PtyPrinter;
using testing_support::TempDir;

namespace {

// Black where the index says so, on a checkerboard of 8-dot squares.
int Checker(int x, int y)
{
    return (x / 8 + y / 8) % 2 == 0 ? 0 : 1;
}

// A frame, a diagonal and a disc: every row and column differs from its neighbours somewhere.
int Logo(int x, int y)
{
    const bool black = x < 3 || y < 3 || x >= 197 || y >= 97 || std::abs(x - 2 * y) < 2 ||
                       (x - 150) * (x - 150) + (y - 50) * (y - 50) < 900;
    return black ? 0 : 1;
}

QImage Picture(int width, int height, const std::function<bool(int, int)> &black)
{
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.scanLine(y)[x] = black(x, y) ? 0x00 : 0xFF;
        }
    }
    return picture;
}

// What RasterImage makes of a file, as a picture.
QImage Converted(const std::string &path, int32_t maxWidth, int32_t font, int32_t width, int32_t position)
{
    platform::RealClock clock;
    rollvane::RasterImage image(clock);
    image.SetPaper(maxWidth, font);
    EXPECT_EQ(image.Convert(path, width, 0, position), rollvane::RasterImage::kConverted) << image.problem();
    return rollvane::DotPicture::FromRaster(image.data(), image.size());
}

// "" when the PNG at path has exactly the dots of expected, else the first difference.
std::string Difference(const std::string &path, const QImage &expected)
{
    const QImage written(QString::fromStdString(path));
    if (written.isNull()) {
        return path + " is not a picture";
    }
    if (written.size() != expected.size()) {
        return path + " is " + std::to_string(written.width()) + " x " + std::to_string(written.height()) + ", not " +
               std::to_string(expected.width()) + " x " + std::to_string(expected.height());
    }
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if ((qGray(written.pixel(x, y)) < 128) != (qGray(expected.pixel(x, y)) < 128)) {
                return path + " differs at " + std::to_string(x) + ", " + std::to_string(y);
            }
        }
    }
    return "";
}

class ImageCommandsTest : public ::testing::Test {
protected:
    ImageCommandsTest()
    {
        TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                                "F.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                    printer.slavePath() + "\n");
        TempDir::Write(dir.file("logo.bmp"), Bmp{200, 100, 1, Logo}.Bytes());
        TempDir::Write(dir.file("checker.bmp"), Bmp{64, 32, 1, Checker}.Bytes());
        TempDir::Write(dir.file("black.bmp"), Bmp::Black(100, 20).Bytes());
    }

    ProcessResult Cli(const std::vector<std::string> &arguments)
    {
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    }

    TempDir dir;
    PtyPrinter printer;
};

}  // namespace

TEST_F(ImageCommandsTest, CommandLinesThatCannotBeCarriedOut)
{
    const std::string dl = "rollvane-cli: download-images";
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"download-images"}, dl + " needs at least one --image ID:PATH[:WIDTH:ALIGN]\n"},
        {{"download-images", "--image", "1:logo.bmp", "--image", "2:logo.bmp", "--image", "3:logo.bmp", "--image",
          "4:logo.bmp"},
         dl + " takes at most 3 --image options, one for each file row\n"},
        {{"download-images", "--image", "5"}, dl + ": --image needs ID:PATH[:WIDTH:ALIGN], not \"5\"\n"},
        {{"download-images", "--image", "5:"}, dl + ": --image needs ID:PATH[:WIDTH:ALIGN], not \"5:\"\n"},
        {{"download-images", "--image=5:200:left"}, dl + ": --image needs ID:PATH[:WIDTH:ALIGN], not \"5:200:left\"\n"},
        {{"download-images", "--image", "5:logo.bmp:200"},
         dl + ": --image 5:logo.bmp:200: WIDTH needs an ALIGN (left, center or right)\n"},
        {{"download-images", "--image", "5:logo.bmp:200:middle"},
         dl + ": --image 5:logo.bmp:200:middle: ALIGN is left, center or right, not \"middle\"\n"},
        {{"download-images", "--image", "5:logo.bmp:200:Center"},
         dl + ": --image 5:logo.bmp:200:Center: ALIGN is left, center or right, not \"Center\"\n"},
        {{"download-images", "--image"}, dl + ": --image needs a value\n"},
        {{"download-images", "--image", "5:logo.bmp", "logo.bmp"}, dl + ": unexpected argument logo.bmp\n"},
        {{"download-images", "--image", "5:logo.bmp", "--paper", "58"},
         dl + ": --paper and --font go with --preview; a download converts for the printer's own\n"},
        {{"download-images", "--image", "5:logo.bmp", "--preview", "p", "--paper", "76"},
         dl + ": --paper is 80 or 58, not \"76\"\n"},
        {{"download-images", "--image", "5:logo.bmp", "--preview", "p", "--font=3"},
         dl + ": --font is 1 or 2, not \"3\"\n"},
        {{"download-images", "--image", "5:logo.bmp", "--image", "005:checker.bmp", "--preview", "p"},
         dl + ": --preview: files #1 and #2 both have ID 5\n"},
        {{"print-image"}, "rollvane-cli: print-image needs an ID\n"},
        {{"print-image", "5", "6"}, "rollvane-cli: print-image: unexpected argument 6\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        ProcessResult result = Cli(c.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, c.error + "see rollvane-cli " + c.arguments[0] + " --help\n");
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("p")));
    EXPECT_TRUE(printer.received().empty());
}

TEST_F(ImageCommandsTest, PreviewWritesTheDotsThePrinterWouldKeep)
{
    // A preview opens no port, so interface settings the dialog refuses do not stop it.
    TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=nowhere\n");
    std::filesystem::create_directory(dir.file("sub"));
    TempDir::Write(dir.file("sub/a:b.bmp"), Bmp{64, 32, 1, Checker}.Bytes());
    const struct {
        const char *name;
        std::vector<std::string> arguments;
        // Each file written, in order, with the dots it must hold.
        std::vector<std::pair<std::string, std::function<QImage()>>> files;
    } cases[] = {
        {"a black block twice as wide, centred, beside a file kept as it is",
         {"--image", "5:black.bmp:200:center", "--image", "007:checker.bmp"},
         {{"image-5.png", [] { return Picture(576, 40, [](int x, int) { return x >= 188 && x < 388; }); }},
          {"image-7.png", [] { return Picture(576, 32, [](int x, int y) { return x < 64 && Checker(x, y) == 0; }); }}}},
        {"58 mm paper with the large font, right",
         {"--image", "9:logo.bmp:300:right", "--paper", "58", "--font", "2"},
         {{"image-9.png",
           [this] { return Converted(dir.file("logo.bmp"), 424, 2, 300, rollvane::RasterImage::PositionRight); }}}},
        {"a width under 10 is the whole print area; a path holding ':'",
         {"--image=0:sub/a:b.bmp:0:left"},
         {{"image-0.png",
           [this] { return Converted(dir.file("sub/a:b.bmp"), 576, 1, 576, rollvane::RasterImage::PositionLeft); }}}},
    };
    int run = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = "previews" + std::to_string(++run);
        std::vector<std::string> arguments = {"download-images", "--preview", folder};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ProcessResult result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        std::string listed;
        for (const auto &[name, expected] : c.files) {
            listed += folder + "/" + name + "\n";
            EXPECT_EQ(Difference(dir.file(folder + "/" + name), expected()), "");
        }
        EXPECT_EQ(result.out, listed);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file(folder)), {}),
                  static_cast<long>(c.files.size()));
    }
    EXPECT_TRUE(printer.received().empty());
}

// The page's refusals reach the terminal as its messages, and then nothing is sent or written.
TEST_F(ImageCommandsTest, FilesThePageRefusesStopEverything)
{
    TempDir::Write(dir.file("wide.bmp"), Bmp::Black(600, 10).Bytes());
    TempDir::Write(dir.file("medium.bmp"), Bmp::Black(400, 10).Bytes());
    TempDir::Write(dir.file("colour.bmp"), Bmp{8, 8, 24}.Bytes());
    TempDir::Write(dir.file("text.bmp"), "not a picture\n");
    TempDir::Write(dir.file("empty.bmp"), "");
    std::filesystem::create_directory(dir.file("folder.bmp"));
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"--image", "5:wide.bmp"},
         "Error: File size mismatch Error!\n  cause: it is 600 x 10 dots; 80mm paper with Size1 takes at most 576 x "
         "512\n"},
        {{"--image", "5:logo.bmp", "--image", "6:colour.bmp:100:left"},
         "Error: File size mismatch Error!\n  cause: it has 24 bits per pixel, not 1\n"},
        {{"--image", "5:text.bmp"}, "Error: File size mismatch Error!\n  cause: it is not a BMP file\n"},
        {{"--image", "5:empty.bmp"}, "Error: No Data in the file Error!\n"},
        {{"--image", "5:folder.bmp"}, "Error: Cannot open folder.bmp: Is a directory\n"},
        {{"--image", "5:absent.bmp"}, "Error: Cannot open absent.bmp: No such file or directory\n"},
        {{"--image", "5:logo.bmp", "--image", "256:checker.bmp"}, "ID ERROR: Please Select File #2 Bitmap ID!\n"},
        {{"--image", "5:medium.bmp", "--preview", "p", "--paper", "58", "--font", "2"},
         "Error: File size type mismatch Error!\n  cause: it is 400 x 10 dots; 58mm paper with Size2 takes at most "
         "360 x 512\n"},
        {{"--image", "5:logo.bmp", "--image", "6:logo.bmp:577:left", "--preview", "p"},
         "Error: File #2 cannot be previewed!\n  cause: logo.bmp: the width 577 is more than the print area's 576 "
         "dots\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        std::vector<std::string> arguments = {"download-images"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ProcessResult result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, c.error);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("p")));
    EXPECT_TRUE(printer.received().empty());
}
