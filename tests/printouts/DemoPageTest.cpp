// The "Demo Print" page against a printer played on a pseudo-terminal: the files it reads, the
// bytes it sends, and its messages.
#include "rollvane/printouts/DemoPage.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::TempDir;

const Bytes kStatus = {0x1B, 0x68};

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DemoPageTest : public ::testing::Test {
protected:
    DemoPageTest() : link(ui, clock), page(link, interface)
    {
        interface = link_test::Com3Settings();
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        page.folder = dir.path();
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + ": " + m.text);
        }
        return lines;
    }

    TempDir dir;
    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    DemoPage page;
};

TEST_F(DemoPageTest, FilesMessagesAndTheBytesSent)
{
    const std::string receipt = "ESC \"@\" 0x1D 86 0 ; cut the paper\r\n";
    const struct {
        const char *name;
        int pattern;
        // none: no file; "/": a folder of that name; "@": a link to a file that opens but cannot be read
        std::optional<std::string> file;
        std::optional<uint8_t> status;
        int result;
        std::vector<std::string> messages;
        Bytes sent;
    } cases[] = {
        {"pattern 1", 1, receipt, 0x00, 1, {}, kStatus + Bytes{0x1B, 0x40, 0x1D, 0x56, 0x00}},
        {"pattern 3, names matched exactly", 3, "esc \"@\"\r\n", 0x00, 1, {}, kStatus + Bytes{0x40}},
        {"a syntax error sends an empty block", 2, "ESC ABCD\r\n", 0x00, 1, {}, kStatus},
        {"comments only", 2, "; nothing to print\r\n", 0x00, 1, {}, kStatus},
        {"no Demo1.txt", 1, std::nullopt, 0x00, 0, {"Error: Cannot Open Demo1.txt!"}, {}},
        {"no Demo2.txt", 2, std::nullopt, 0x00, 0, {"Error: Cannot Open Demo2.txt !"}, {}},
        {"no Demo3.txt", 3, std::nullopt, 0x00, 0, {"Error: Cannot Open Demo3.txt !"}, {}},
        {"a folder named Demo2.txt", 2, "/", 0x00, 0, {"Error: Cannot Open Demo2.txt !"}, {}},
        {"a file that opens and fails to read",
         3,
         "@",
         0x00,
         0,
         {"Error: Cannot read Demo3.txt: Input/output error"},
         {}},
        {"busy printer",
         1,
         receipt,
         0x08,
         0,
         {"Interface Busy: Please check for any error condition on printer!"},
         kStatus},
        {"silent printer",
         1,
         receipt,
         std::nullopt,
         0,
         {"Error: Timeout while sending data block!"},
         kStatus + kStatus},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(DemoPage::FileName(c.pattern));
        std::filesystem::remove_all(path);
        if (c.file == "/") {
            std::filesystem::create_directory(path);
        } else if (c.file == "@") {
            // A regular file to stat whose first read fails with EIO: a process's own memory at 0.
            std::filesystem::create_symlink("/proc/self/mem", path);
        } else if (c.file) {
            TempDir::Write(path, *c.file);
        }
        printer.SetStatusAnswers({c.status});
        ui.messages.clear();
        const std::size_t before = printer.Received().size();
        EXPECT_EQ(page.PrintDemoPattern(c.pattern), c.result);
        EXPECT_EQ(messages(), c.messages);
        const Bytes all = printer.Received();
        EXPECT_EQ(Bytes(all.begin() + static_cast<long>(before), all.end()), c.sent);
        std::filesystem::remove_all(path);
    }
}

// Far past the 10 MiB a fixed buffer would hold: the whole receipt goes out.
TEST_F(DemoPageTest, ALargeFileIsSentWhole)
{
    const std::size_t size = 11 * 1000 * 1000;
    TempDir::Write(dir.file("Demo2.txt"), "\"" + std::string(size, 'A') + "\"\r\n");
    ASSERT_EQ(page.PrintDemoPattern(2), 1);
    EXPECT_EQ(page.dataLength(), size);
    const Bytes sent = printer.Received();
    ASSERT_EQ(sent.size(), kStatus.size() + size);
    EXPECT_EQ(sent.back(), 'A');
}

}  // namespace
}  // namespace rollvane
