// The engine and its receipt writer in-process: raster pictures of any size a
// command can hold printed dot for dot, refused commands named in the
// receipt's line, receipts written in order on the writer's thread while the
// engine goes on answering, and a full folder's files reused whole.
#include "CommandParser.h"
#include "Faults.h"
#include "Printer.h"
#include "PrinterState.h"
#include "TestBmp.h"
#include "tests/support/PngReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

using testing_support::PngReader;
using testing_support::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

// Every byte has a dot, so no row of a picture is blank.
uint8_t PatternByte(int y, size_t b)
{
    return static_cast<uint8_t>(((y * 31 + static_cast<int>(b) * 17) ^ (y >> 3)) | 0x01);
}

Bytes RasterCommand(size_t widthBytes, int rows, uint8_t mode)
{
    Bytes c = {0x1D,
               0x76,
               0x30,
               mode,
               static_cast<uint8_t>(widthBytes % 256),
               static_cast<uint8_t>(widthBytes / 256),
               static_cast<uint8_t>(rows % 256),
               static_cast<uint8_t>(rows / 256)};
    c.reserve(c.size() + widthBytes * static_cast<size_t>(rows));
    for (int y = 0; y < rows; ++y)
        for (size_t b = 0; b < widthBytes; ++b)
            c.push_back(PatternByte(y, b));
    return c;
}

// A printer writing to a folder, its log kept.
class Engine {
public:
    explicit Engine(const std::string &out, size_t keep = 1000, std::function<void(const std::string &)> also = nullptr)
        : printer_(
              state_, faults_, out, "",
              [this, also](const std::string &line) {
                  if (also)
                      also(line);
                  std::lock_guard lock(mutex_);
                  log_.push_back(line);
              },
              keep),
          parser_(printer_)
    {}

    void Feed(const Bytes &bytes)
    {
        for (size_t at = 0; at < bytes.size();)
            at += parser_.Feed(bytes.data() + at, bytes.size() - at);
    }
    Printer &printer() { return printer_; }
    std::vector<std::string> log()
    {
        std::lock_guard lock(mutex_);
        return log_;
    }
    std::vector<std::string> receiptLines()
    {
        std::vector<std::string> lines;
        for (const std::string &l : log())
            if (l.rfind("receipt ", 0) == 0)
                lines.push_back(l);
        return lines;
    }

private:
    PrinterState state_;
    Faults faults_;
    std::mutex mutex_;
    std::vector<std::string> log_;
    Printer printer_;
    CommandParser parser_;
};

struct RasterCase {
    const char *name;
    size_t widthBytes;
    int rows;
    uint8_t mode;    // bit 0 double width, bit 1 double height
    int justify;     // ESC a n
    int left;        // where the picture's first dot lands
    int shownWidth;  // its dots on the paper, doubled ones counted
};

const RasterCase kRasterCases[] = {
    {"TallerThanOneMegabyteInOneCommand", 72, 20000, 0, 0, 0, 576},
    {"WiderThanThePaperIsCut", 100, 300, 0, 0, 0, 576},
    {"DoubleWidthAndHeight", 36, 500, 3, 0, 0, 576},
    {"NarrowCentred", 20, 100, 0, 1, 208, 160},
    {"NarrowRightAligned", 20, 40, 1, 2, 256, 320},
};

class KovaSimRasterPicture : public ::testing::TestWithParam<RasterCase> {};

}  // namespace

TEST_P(KovaSimRasterPicture, PrintsEveryDotAsSent)
{
    const RasterCase &c = GetParam();
    TempDir dir;
    {
        Engine e(dir.path());
        e.Feed(Bytes{0x1B, 0x40, 0x1B, 0x61, static_cast<uint8_t>(c.justify)} +
               RasterCommand(c.widthBytes, c.rows, c.mode) + Bytes{0x1B, 0x69});
        e.printer().Flush();
        ASSERT_EQ(e.receiptLines().size(), 1u);
        EXPECT_EQ(e.receiptLines()[0].find("refused"), std::string::npos) << e.receiptLines()[0];
    }
    const auto png = PngReader::Load(dir.file("receipt-0001.png"));
    ASSERT_TRUE(png);
    const int wMul = (c.mode & 1) ? 2 : 1;
    const int hMul = (c.mode & 2) ? 2 : 1;
    ASSERT_EQ(png->width, 576);
    ASSERT_GE(png->height, c.rows * hMul);
    long long wrong = 0;
    std::string first;
    for (int y = 0; y < png->height; ++y)
        for (int x = 0; x < png->width; ++x) {
            bool black = false;
            if (y < c.rows * hMul && x >= c.left && x < c.left + c.shownWidth) {
                const int sx = (x - c.left) / wMul;
                black = PatternByte(y / hMul, static_cast<size_t>(sx / 8)) & (0x80u >> (sx % 8));
            }
            if (png->at(x, y) != black && wrong++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    EXPECT_EQ(wrong, 0) << "dots not as sent, the first at " << first;
}

INSTANTIATE_TEST_SUITE_P(Cases, KovaSimRasterPicture, ::testing::ValuesIn(kRasterCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A command refused for its size is named in the line of the receipt it was
// sent for, and in no other.
TEST(KovaSimReceiptLine, NamesTheCommandsRefusedForIt)
{
    const Bytes bmp = TestBmp::Make(4096, 300, [](int, int) { return true; });
    const size_t rasterBytes = 65535u * 1025u;  // just over what one command may hold
    Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0xFF, 0xFF, 0x01, 0x04};
    raster.resize(raster.size() + rasterBytes, 0xFF);
    struct Case {
        Bytes sent;
        std::string note;
    };
    const Case cases[] = {
        {Bytes{0x1F, 0x30, 0x09, 0x1F} + bmp,
         " (refused: bit image of " + std::to_string(bmp.size()) + " bytes refused)"},
        {raster, " (refused: raster picture of " + std::to_string(rasterBytes) + " bytes passed over)"},
        {Bytes{0x1F, 0x30, 0x09, 0x1F} + bmp + raster, " (refused: bit image of " + std::to_string(bmp.size()) +
                                                           " bytes refused; raster picture of " +
                                                           std::to_string(rasterBytes) + " bytes passed over)"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        Engine e(dir.path());
        e.Feed(Bytes{0x1B, 0x40} + Text("before") + c.sent + Text("after\n") + Bytes{0x1B, 0x69});
        e.Feed(Bytes{0x1B, 0x40} + Text("next\n") + Bytes{0x1B, 0x69});
        e.printer().Flush();
        const auto lines = e.receiptLines();
        ASSERT_EQ(lines.size(), 2u) << c.note;
        EXPECT_TRUE(lines[0].ends_with(c.note)) << lines[0];
        EXPECT_EQ(lines[1].find("refused"), std::string::npos) << lines[1];
    }
}

// The receipt being written does not hold up the engine: with the writer
// held inside the first receipt's line, a status request is answered and two
// more receipts are cut; once let go, all three are written in order.
TEST(KovaSimReceiptWriter, EngineAnswersWhileAReceiptIsWritten)
{
    TempDir dir;
    std::mutex m;
    std::condition_variable cv;
    bool letGo = false;
    std::vector<std::string> events;
    const auto event = [&](const std::string &what) {
        std::lock_guard lock(m);
        events.push_back(what);
    };
    Engine e(dir.path(), 1000, [&](const std::string &line) {
        if (line.rfind("receipt ", 0) != 0)
            return;
        std::unique_lock lock(m);
        if (line.rfind("receipt 0001", 0) == 0 && !cv.wait_for(lock, std::chrono::seconds(10), [&] { return letGo; }))
            events.push_back("writer never let go");
        events.push_back(line.substr(0, 12));
    });
    e.Feed(Bytes{0x1B, 0x40} + RasterCommand(72, 20000, 0) + Bytes{0x1B, 0x69});
    e.Feed(Bytes{0x1B, 0x68});
    event(e.printer().TakeReplies() == Bytes{0x00} ? "status answered" : "status not answered");
    for (int i = 0; i < 2; ++i)
        e.Feed(Bytes{0x1B, 0x40} + Text("short\n") + Bytes{0x1B, 0x69});
    event("cut three");
    {
        std::lock_guard lock(m);
        letGo = true;
    }
    cv.notify_all();
    e.printer().Flush();
    std::lock_guard lock(m);
    EXPECT_EQ(events, (std::vector<std::string>{"status answered", "cut three", "receipt 0001", "receipt 0002",
                                                "receipt 0003"}));
}

// A full folder hands its oldest files on to the new receipts: each file left
// holds its own receipt whole, whatever the longer one before it held.
TEST(KovaSimReceiptWriter, ReusedFilesHoldOnlyTheNewReceipt)
{
    TempDir dir;
    std::vector<Bytes> sent;
    {
        Engine e(dir.path(), 3);
        for (int n = 1; n <= 8; ++n) {
            // Long and short receipts in turn, so a reused file is sometimes longer than its new content.
            Bytes r = Bytes{0x1B, 0x40};
            for (int line = 0; line < (n % 2 ? 40 : 1); ++line)
                r = r + Text("receipt " + std::to_string(n) + "\n");
            r = r + Bytes{0x1B, 0x69};
            e.Feed(r);
            sent.push_back(r);
        }
    }  // the writer finishes on its way out
    std::vector<std::string> names;
    for (const auto &f : std::filesystem::directory_iterator(dir.path()))
        names.push_back(f.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"receipt-0006.bin", "receipt-0006.png", "receipt-0007.bin",
                                               "receipt-0007.png", "receipt-0008.bin", "receipt-0008.png"}));
    for (int n = 6; n <= 8; ++n) {
        const std::string base = dir.file("receipt-000" + std::to_string(n));
        std::ifstream bin(base + ".bin", std::ios::binary);
        EXPECT_EQ(Bytes((std::istreambuf_iterator<char>(bin)), std::istreambuf_iterator<char>()),
                  sent[static_cast<size_t>(n - 1)])
            << n;
        const auto png = PngReader::Load(base + ".png");
        ASSERT_TRUE(png) << n;
        EXPECT_EQ(png->height > 100, n % 2 == 1) << n;
    }
}
