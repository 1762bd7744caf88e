// The "Define Top/Bottom Msgs" page against a printer played on a pseudo-terminal: the bytes on
// the wire, the blocks they went in, and every message with its caption and icon.
#include "rollvane/messages/MessagesPage.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::RecordingUserInterface;
using testing_support::TempDir;

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

const Bytes kStatus = {0x1B, 0x68};
const std::string kComplete = "Complete (none): Define message complete.";
const std::string kInvalid = "Invalid Properties (warning): Please select the appropriate properties!";

// The nine texts in the page's order: kind, line 1, line 2, underline, double height, double
// width, emphasized, colour, inverse.
struct Texts {
    Texts(std::string kind_ = "", std::string line1_ = "", std::string line2_ = "", std::string underline_ = "",
          std::string height_ = "", std::string width_ = "", std::string emphasized_ = "", std::string color_ = "",
          std::string inverse_ = "")
        : kind(kind_), line1(line1_), line2(line2_), underline(underline_), height(height_), width(width_),
          emphasized(emphasized_), color(color_), inverse(inverse_)
    {}
    std::string kind, line1, line2, underline, height, width, emphasized, color, inverse;
};

class MessagesPageTest : public ::testing::Test {
protected:
    MessagesPageTest() : link(ui, clock), page(link, interface)
    {
        interface = link_test::Com3Settings();
        link.linkType = LinkSerial;
    }

    void Put(const Texts &t)
    {
        page.kindText = t.kind;
        page.line1 = t.line1;
        page.line2 = t.line2;
        page.underlineText = t.underline;
        page.doubleHeightText = t.height;
        page.doubleWidthText = t.width;
        page.emphasizedText = t.emphasized;
        page.colorText = t.color;
        page.inverseText = t.inverse;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + " (" + IconName(m.icon) + "): " + m.text);
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
    RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    MessagesPage page;
};

TEST_F(MessagesPageTest, DownloadOnTheWire)
{
    const std::string longest(507, 'x');
    const struct Case {
        const char *name;
        Texts texts;
        std::vector<std::optional<uint8_t>> statusAnswers;
        Bytes received;
        std::vector<std::size_t> blocks;  // after the status request
        std::vector<std::string> messages;
    } cases[] = {
        {"the kind alone: two empty lines",
         {"Top Message"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x02, 0x00, 0x00} + Bytes{0x1F, 0x65, 0x03, 0x00, 0x00},
         {5, 5},
         {kComplete}},
        {"reprint, ABC, 2 dot underline, double width, colour",
         {"Reprint Message", "ABC", "", "2 dot Underline", "", "ON", "", "Color", ""},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x04, 0x2A, 0x41, 0x42, 0x43, 0x00} + Bytes{0x1F, 0x65, 0x05, 0x2A, 0x00},
         {8, 5},
         {kComplete}},
        {"bottom, 1 dot underline",
         {"Bottom Message", "A", "B", "1 dot Underline"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x00, 0x01, 'A', 0x00} + Bytes{0x1F, 0x65, 0x01, 0x01, 'B', 0x00},
         {6, 6},
         {kComplete}},
        {"double height",
         {"Top Message", "", "", "No Underline", "ON", "OFF", "OFF", "Black", "OFF"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x02, 0x04, 0x00} + Bytes{0x1F, 0x65, 0x03, 0x04, 0x00},
         {5, 5},
         {kComplete}},
        {"emphasized",
         {"Top Message", "", "", "", "", "", "ON"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x02, 0x10, 0x00} + Bytes{0x1F, 0x65, 0x03, 0x10, 0x00},
         {5, 5},
         {kComplete}},
        {"inverse",
         {"Top Message", "", "", "", "", "", "", "", "ON"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x02, 0x40, 0x00} + Bytes{0x1F, 0x65, 0x03, 0x40, 0x00},
         {5, 5},
         {kComplete}},
        {"every attribute on, text with a space",
         {"Bottom Message", "Thank you", "Bye", "2 dot Underline", "ON", "ON", "ON", "Color", "ON"},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x00, 0x7E} + Text("Thank you") + Bytes{0x00} + Bytes{0x1F, 0x65, 0x01, 0x7E} +
             Text("Bye") + Bytes{0x00},
         {14, 8},
         {kComplete}},
        {"a line of 507 bytes is sent",
         {"Bottom Message", longest},
         {0x00},
         kStatus + Bytes{0x1F, 0x65, 0x00, 0x00} + Text(longest) + Bytes{0x00} + Bytes{0x1F, 0x65, 0x01, 0x00, 0x00},
         {512, 5},
         {kComplete}},
        {"a first line of 508 bytes is refused",
         {"Bottom Message", longest + "x"},
         {0x00},
         {},
         {},
         {"Invalid Properties (warning): Line 1 is longer than 507 bytes."}},
        {"a second line of 508 bytes is refused",
         {"Bottom Message", "", longest + "x"},
         {0x00},
         {},
         {},
         {"Invalid Properties (warning): Line 2 is longer than 507 bytes."}},
        {"no kind", {"", "ABC"}, {0x00}, {}, {}, {kInvalid}},
        {"a kind in lower case", {"top message"}, {0x00}, {}, {}, {kInvalid}},
        {"on in lower case", {"Top Message", "", "", "", "on"}, {0x00}, {}, {}, {kInvalid}},
        {"an underline not offered", {"Top Message", "", "", "Underline"}, {0x00}, {}, {}, {kInvalid}},
        {"color in lower case", {"Top Message", "", "", "", "", "", "", "color"}, {0x00}, {}, {}, {kInvalid}},
        {"a busy printer",
         {"Top Message", "ABC"},
         {0x08},
         kStatus,
         {},
         {"Interface Busy (warning): Please check for any error condition on printer!"}},
        {"a silent printer: two attempts",
         {"Top Message", "ABC"},
         {std::nullopt},
         kStatus + kStatus,
         {},
         {"Error (warning): Timeout while sending data block!"}},
        {"the second attempt answered",
         {"Top Message"},
         {std::nullopt, 0x00},
         kStatus + kStatus + Bytes{0x1F, 0x65, 0x02, 0x00, 0x00} + Bytes{0x1F, 0x65, 0x03, 0x00, 0x00},
         {5, 5},
         {kComplete}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        settings_testing::ScriptedSettingsPrinter printer;
        printer.SetStatusAnswers(c.statusAnswers);
        link.devices().SetEntry("COM3", printer.slavePath());
        Put(c.texts);
        ui.messages.clear();
        std::remove(tracePath.c_str());
        int error = 0;
        link.trace().Enable(tracePath, &error);
        EXPECT_EQ(page.DownloadMessages(), c.messages.back() == kComplete ? 1 : 0);
        EXPECT_EQ(messages(), c.messages);
        EXPECT_EQ(printer.Received(), c.received);
        std::vector<std::size_t> blocks = sentBlocks();
        if (!blocks.empty()) {
            blocks.erase(blocks.begin(), blocks.end() - static_cast<std::ptrdiff_t>(c.blocks.size()));
        }
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(ui.openProgressWindows, 0);
        // The texts stay as they were.
        EXPECT_EQ(page.line1, c.texts.line1);
        EXPECT_EQ(page.inverseText, c.texts.inverse);
    }
}

// The bar's steps, the wait before the link is opened, and the order of the ending.
TEST_F(MessagesPageTest, ProgressAndWait)
{
    settings_testing::ScriptedSettingsPrinter printer;
    printer.SetStatusAnswers({std::nullopt, 0x00});
    link.devices().SetEntry("COM3", printer.slavePath());
    Put({"Bottom Message", "Hello"});
    ASSERT_EQ(page.DownloadMessages(), 1);
    EXPECT_EQ(ui.events,
              (std::vector<std::string>{"progress open", "progress message Downloading Messages", "progress range 100",
                                        "progress position 0", "progress position 10", "progress position 20",
                                        "progress position 30", "progress position 40", "progress position 40",
                                        "progress position 40", "progress position 50", "progress position 100",
                                        "message Complete: Define message complete.", "progress close"}));
    ASSERT_FALSE(clock.sleeps().empty());
    EXPECT_EQ(clock.sleeps().front(), std::chrono::milliseconds(500));
}

TEST_F(MessagesPageTest, RefusedTextsOpenNothingAndDoNotWait)
{
    Put({"Top Message", "", "", "", "", "", "", "", "on"});
    EXPECT_EQ(page.DownloadMessages(), 0);
    EXPECT_EQ(ui.events,
              std::vector<std::string>{"message Invalid Properties: Please select the appropriate properties!"});
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(MessagesPageTest, APortThatCannotBeOpened)
{
    link.devices().SetEntry("COM3", dir.file("no-such-device"));
    Put({"Top Message"});
    EXPECT_EQ(page.DownloadMessages(), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"Error (stop): Unable to get serial port handle!"});
    EXPECT_EQ(ui.openProgressWindows, 0);
}

}  // namespace
}  // namespace rollvane
