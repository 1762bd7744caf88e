// The "Define Bit Images" page against a printer played on a pseudo-terminal: the bytes on the
// wire, the blocks they went in, and every message with its caption.
#include "rollvane/graphics/BitImagePage.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/graphics/Bmp.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using graphics_testing::Bmp;
using testing_support::RecordingUserInterface;
using testing_support::TempDir;

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes ConfigRead(uint8_t n)
{
    return {0x1B, 0x40, 0x10, 0x1F, 0x31, n};
}

const Bytes kStatus = {0x1B, 0x68};
const Bytes kBeforeFiles = kStatus + ConfigRead(5) + ConfigRead(10);

class BitImagePageTest : public ::testing::Test {
protected:
    BitImagePageTest() : link(ui, clock), page(link, interface)
    {
        interface = link_test::Com3Settings();
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        int error = 0;
        link.trace().Enable(tracePath, &error);
    }

    // A file in the test's folder; its path.
    std::string File(const std::string &name, const std::string &content)
    {
        TempDir::Write(dir.file(name), content);
        return dir.file(name);
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + ": " + m.text);
        }
        return lines;
    }
    // The sizes of the blocks the link sent, in order.
    std::vector<std::size_t> sentBlocks() const
    {
        std::ifstream in(tracePath);
        std::vector<std::size_t> sizes;
        for (std::string line; std::getline(in, line);) {
            const std::size_t at = line.find(" send ");
            if (at != std::string::npos) {
                sizes.push_back(std::stoul(line.substr(at + 6)));
            }
        }
        return sizes;
    }

    TempDir dir;
    std::string tracePath = dir.file("trace.txt");
    settings_testing::ScriptedSettingsPrinter printer;
    RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    BitImagePage page;
};

// The converted image of a file at the page's paper, as the printer must receive it.
Bytes Converted(const std::string &path, int32_t maxWidth, int32_t fontMode, int32_t width, int32_t position)
{
    platform::VirtualClock clock;
    RasterImage image(clock);
    image.SetPaper(maxWidth, fontMode);
    EXPECT_EQ(image.Convert(path, width, 0, position), 0) << image.problem();
    return Bytes(image.data(), image.data() + image.size());
}

std::vector<std::size_t> Blocks(std::vector<std::size_t> head, std::size_t total, std::size_t block)
{
    for (; total > block; total -= block) {
        head.push_back(block);
    }
    head.push_back(total);
    return head;
}

TEST_F(BitImagePageTest, DownloadOnTheWire)
{
    const std::string wide = File("wide.bmp", Bmp::Black(200, 100).Bytes());
    const std::string tall = File("tall.bmp", Bmp::Black(10, 20).Bytes());
    const std::string raw = File("raw.bmp", Bmp::Black(4000, 10).Bytes());  // 5062 bytes
    const std::string empty = File("empty.bmp", "");
    const Bytes rawBytes = [&] {
        const std::string s = TempDir::Read(raw);
        return Bytes(s.begin(), s.end());
    }();
    const Bytes none;
    struct Case {
        const char *name;
        std::array<BitImagePage::Row, 3> rows;
        uint8_t paperByte, fontByte;
        Bytes afterConfig;
        std::vector<std::size_t> blocks;  // after the status and configuration reads
        std::vector<std::string> messages;
    };
    const Bytes centred = Converted(wide, 576, 1, 400, RasterImage::PositionCenter);
    const Bytes full = Converted(wide, 576, 1, 576, RasterImage::PositionLeft);
    const Bytes small = Converted(wide, 424, 2, 200, RasterImage::PositionRight);
    const Bytes select5 = {0x1F, 0x30, 5, 0x1F};
    const std::string done = "Message: Download Finished !";
    const Case cases[] = {
        {"converted, centred: 56 blocks of 256 bytes and one of 126",
         {{{"5", wide, true, "400", 1}}},
         0x00,
         0x00,
         select5 + centred,
         Blocks({3, 1}, 14462, 256),
         {done}},
        {"a width below 10 is the whole print area",
         {{{"5", wide, true, "9", 0}}},
         0x00,
         0x00,
         select5 + full,
         Blocks({3, 1}, full.size(), 256),
         {done}},
        {"58 mm with the large font",
         {{{"5", wide, true, "200", 2}}},
         0x08,
         0x01,
         select5 + small,
         Blocks({3, 1}, small.size(), 256),
         {done}},
        {"a file as it is: 4096-byte blocks",
         {{{"5", raw, false, "0", 0}}},
         0x00,
         0x00,
         Bytes{0x1F, 0x30, 5} + Bytes{0x1F} + rawBytes,
         {3, 1, 4096, rawBytes.size() - 4096},
         {done}},
        {"an empty file is said and skipped",
         {{{"5", empty, false, "0", 0}, {"6", wide, true, "400", 1}}},
         0x00,
         0x00,
         Bytes{0x1F, 0x30, 6, 0x1F} + centred,
         Blocks({3, 1}, 14462, 256),
         {"Error: No Data in the file Error!", done}},
        {"width 577 on 80 mm", {{{"5", wide, true, "577", 0}}}, 0x00, 0x00, none, {}, {"Error: Invalid Width Value!"}},
        {"no alignment", {{{"5", wide, true, "0", -1}}}, 0x00, 0x00, none, {}, {"Error: Alignment is undefined!"}},
        {"the second image too tall",
         {{{"5", wide, true, "400", 1}, {"6", tall, true, "400", 0}}},
         0x00,
         0x00,
         select5 + centred,
         Blocks({3, 1}, 14462, 256),
         {"Error: Converted Height is too big!\nPlease reduce the width!"}},
        {"no file", {}, 0x00, 0x00, none, {}, {"FILE ERROR: Please select At Least 1 File For Download!"}},
        {"IDs 5, none and 7",
         {{{"5", wide, false, "0", 0}, {"", wide, false, "0", 0}, {"7", wide, false, "0", 0}}},
         0x00,
         0x00,
         none,
         {},
         {"ID ERROR: Please Select File #1 #2 #3 Bitmap ID!"}},
        {"IDs 3 and 3 for files 1 and 3",
         {{{"3", wide, false, "0", 0}, {"4", "", false, "0", 0}, {"3", wide, false, "0", 0}}},
         0x00,
         0x00,
         none,
         {},
         {"ID ERROR: FILE #1 and #3 ID can not be same value. Please set FILE ID again !"}},
        {"ID 256",
         {{{"", "", false, "0", 0}, {"256", wide, false, "0", 0}}},
         0x00,
         0x00,
         none,
         {},
         {"ID ERROR: Please Select File #2 Bitmap ID!"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        settings_testing::ScriptedSettingsPrinter fresh;
        link.devices().SetEntry("COM3", fresh.slavePath());
        fresh.SetConfigByte(5, c.paperByte);
        fresh.SetConfigByte(10, c.fontByte);
        for (int k = 1; k <= 3; ++k) {
            page.row(k) = c.rows[static_cast<std::size_t>(k - 1)];
        }
        ui.messages.clear();
        std::remove(tracePath.c_str());
        int error = 0;
        link.trace().Enable(tracePath, &error);
        EXPECT_EQ(page.Download(), c.messages.back() == done ? 1 : 0);
        EXPECT_EQ(messages(), c.messages);
        EXPECT_EQ(fresh.Received(), kBeforeFiles + c.afterConfig);
        std::vector<std::size_t> blocks = sentBlocks();
        blocks.erase(blocks.begin(), blocks.begin() + 7);  // the status request and two reads of three
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(ui.openProgressWindows, 0);
    }
}

// The progress steps name the downloads of the run in order, whatever the rows they come from.
TEST_F(BitImagePageTest, ProgressCountsTheDownloads)
{
    const std::string logo = File("logo.bmp", Bmp::Black(16, 8).Bytes());
    page.row(2) = {"1", logo, true, "0", 0};
    page.row(3) = {"2", logo, true, "0", 0};
    ASSERT_EQ(page.Download(), 1);
    std::vector<std::string> steps;
    for (const std::string &event : ui.events) {
        if (event.rfind("progress message", 0) == 0 || event.rfind("progress position", 0) == 0) {
            steps.push_back(event);
        }
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"progress message Downloading 1st Bit Image", "progress position 45",
                                               "progress message Downloading 2nd Bit Image", "progress position 90"}));
    EXPECT_EQ(ui.events.back(), "message Message: Download Finished !");
}

TEST_F(BitImagePageTest, BusyOrSilentPrinterSendsNoImage)
{
    page.row(1) = {"5", File("logo.bmp", Bmp::Black(16, 8).Bytes()), false, "0", 0};
    printer.SetStatusAnswers({0x08});
    EXPECT_EQ(page.Download(), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"Interface Busy: Please check for any error condition on printer!"});
    EXPECT_EQ(printer.Received(), kStatus);
    EXPECT_FALSE(link.isOpen());
}

// A paper width that does not come back stops the download rather than convert for 80 mm.
TEST_F(BitImagePageTest, AMissingConfigurationByteStopsTheDownload)
{
    page.row(1) = {"5", File("logo.bmp", Bmp::Black(16, 8).Bytes()), true, "0", 0};
    printer.SetConfigReadsAnswered(0);
    EXPECT_EQ(page.Download(), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Timeout while sending data block!"});
    EXPECT_EQ(printer.Received(), kStatus + ConfigRead(5));
}

TEST_F(BitImagePageTest, BrowseChecksTheIdAndTheFile)
{
    const struct {
        const char *name;
        std::string paper, font, idText;
        std::optional<std::string> answer;  // the file chosen; none: cancelled
        std::string shownId, path;
        std::vector<std::string> messages;
    } cases[] = {
        {"a 576-dot 1-bit picture on 80 mm", "80mm", "Size1", "7", dir.file("576.bmp"), "7", dir.file("576.bmp"), {}},
        {"ID 0 is taken", "80mm", "Size1", "0", dir.file("576.bmp"), "0", dir.file("576.bmp"), {}},
        {"\"007\" shows 7", "80mm", "Size1", "007", dir.file("576.bmp"), "7", dir.file("576.bmp"), {}},
        {"an empty ID", "80mm", "Size1", "", std::nullopt, "0", "kept", {"ID ERROR: Please Select File #2 Bitmap ID!"}},
        {"cancelled", "80mm", "Size1", "7", std::nullopt, "7", "", {"No file Loaded! : No file Loaded!"}},
        {"a missing file",
         "80mm",
         "Size1",
         "7",
         dir.file("missing.bmp"),
         "7",
         "",
         {"Error: Cannot open " + dir.file("missing.bmp") + ": No such file or directory"}},
        {"an empty file", "80mm", "Size1", "7", dir.file("empty.bmp"), "7", "", {"Error: No Data in the file Error!"}},
        {"600 dots on 80 mm", "80mm", "Size1", "7", dir.file("600.bmp"), "7", "", {"Error: File size mismatch Error!"}},
        {"560 dots on 80 mm, large font",
         "80mm",
         "Size2",
         "7",
         dir.file("576.bmp"),
         "7",
         "",
         {"Error: File size mismatch Error!"}},
        {"576 dots on 58 mm", "58mm", "Size1", "7", dir.file("576.bmp"), "7", dir.file("576.bmp"), {}},
        {"400 dots on 58 mm, large font",
         "58mm",
         "Size2",
         "7",
         dir.file("400.bmp"),
         "7",
         "",
         {"Error: File size type mismatch Error!"}},
        {"8 bits", "80mm", "Size1", "7", dir.file("8bit.bmp"), "7", "", {"Error: File size mismatch Error!"}},
        {"513 rows", "80mm", "Size1", "7", dir.file("513.bmp"), "7", "", {"Error: File size mismatch Error!"}},
        {"unknown paper",
         "",
         "Size1",
         "7",
         dir.file("576.bmp"),
         "7",
         "",
         {"Invalid Properties: Please select the appropriate properties!"}},
    };
    File("576.bmp", Bmp::Black(576, 2).Bytes());
    File("600.bmp", Bmp::Black(600, 2).Bytes());
    File("400.bmp", Bmp::Black(400, 2).Bytes());
    File("513.bmp", Bmp::Black(8, 513).Bytes());
    File("empty.bmp", "");
    Bmp deep = Bmp::Black(8, 2);
    deep.bits = 8;
    File("8bit.bmp", deep.Bytes());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        page.SetPaper(c.paper, c.font);
        page.row(2) = {c.idText, "kept", false, "0", 0};
        ui.fileAnswers = {c.answer};
        EXPECT_EQ(page.Browse(2), c.messages.empty() ? 1 : 0);
        EXPECT_EQ(page.row(2).idText, c.shownId);
        EXPECT_EQ(page.row(2).path, c.path);
        EXPECT_EQ(messages(), c.messages);
    }
    EXPECT_EQ(ui.fileChoices.at(0).filter, "Bitmap File (*.bmp)|*.bmp|");
    EXPECT_EQ(ui.fileChoices.at(0).proposedName, "*.bmp");
}

TEST_F(BitImagePageTest, PrintTheSelectedImage)
{
    page.printIdText = "";
    EXPECT_EQ(page.PrintSelected(), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"ID ERROR: Please Select File #1 Bitmap ID!"});
    ui.messages.clear();
    page.printIdText = "7";
    EXPECT_EQ(page.PrintSelected(), 1);
    EXPECT_TRUE(ui.messages.empty());
    const Bytes print = {0x1F, 0x30, 7, 0x1D, 0x2F, 0x00, 0x1B, 0x64, 8, 0x1B, 0x64, 8, 0x1B, 0x64, 8, 0x1B, 0x69};
    EXPECT_EQ(printer.Received(), kStatus + print);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(BitImagePageTest, ClearFilePathsKeepsTheIds)
{
    page.row(1) = {"5", "a.bmp", false, "0", 0};
    page.row(2) = {"", "b.bmp", false, "0", 0};
    page.ClearFilePaths();
    EXPECT_EQ(page.row(1).idText, "5");
    EXPECT_EQ(page.row(2).idText, "0");
    EXPECT_EQ(page.row(1).path, "");
    EXPECT_EQ(page.row(2).path, "");
}

}  // namespace
}  // namespace rollvane
