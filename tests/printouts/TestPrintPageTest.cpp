// The "Online Test Print" page's handlers against a printer on a pseudo-terminal: what the person
// reads, when the buttons come back, and what the page leaves open.
#include "rollvane/printouts/TestPrintPage.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(TestPrintPageTest, HandlersReportAndGiveTheButtonsBack)
{
    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface = link_test::Com3Settings();
    PrinterLink link(ui, clock);
    link.linkType = LinkSerial;
    TestPrintPage page(link, interface);
    // "enabled" and "disabled" as the view is told, with the messages in between.
    std::vector<std::string> seen;
    page.onControlsEnabled = [&](bool enabled) { seen.push_back(enabled ? "enabled" : "disabled"); };
    ui.onMessage = [&](const auto &m) { seen.push_back(m.caption + ": " + m.text); };

    const struct {
        const char *name;
        int (TestPrintPage::*handler)();
        bool portThere;
        std::vector<std::optional<uint8_t>> status;
        int result;
        std::vector<std::string> seen;
        Bytes sentLast;  // the end of what reached the printer
    } cases[] = {
        {"no port",
         &TestPrintPage::PrintAllH,
         false,
         {0x00},
         0,
         {"disabled", "Error: Unable to get serial port handle!", "enabled"},
         {}},
        {"all H printed",
         &TestPrintPage::PrintAllH,
         true,
         {0x00},
         1,
         {"disabled", "enabled"},
         {0x1B, 0x64, 0x06, 0x1B, 0x69, 0x1B, 0x68}},
        // The time-out report releases the printer in two blocks, then the buttons come back
        // right after its message, and once more at the handler's end.
        {"silent printer",
         &TestPrintPage::PrintRollingAscii,
         true,
         {std::nullopt},
         0,
         {"disabled", "Error: Timeout while sending data block!", "enabled", "enabled"},
         {0x1B, 0x68, 0x1F, 0x7A, 0x74, 0x00, 0x10}},
        {"configuration printout",
         &TestPrintPage::PrintConfiguration,
         true,
         {0x00},
         1,
         {"disabled", "enabled"},
         {0x1F, 0x74}},
        {"busy before the printout",
         &TestPrintPage::PrintConfiguration,
         true,
         {0x08},
         0,
         {"disabled", "Interface Busy: Please check for any error condition on printer!", "enabled"},
         {0x1B, 0x68}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        link.devices().SetEntry("COM3", c.portThere ? printer.slavePath() : std::string("/nonexistent/tty"));
        printer.SetStatusAnswers(c.status);
        seen.clear();
        const std::size_t before = printer.Received().size();
        EXPECT_EQ((page.*c.handler)(), c.result);
        EXPECT_EQ(seen, c.seen);
        EXPECT_TRUE(page.controlsEnabled());
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(ui.openProgressWindows, 0);
        const Bytes all = printer.Received();
        const Bytes sent(all.begin() + static_cast<long>(before), all.end());
        ASSERT_GE(sent.size(), c.sentLast.size());
        EXPECT_EQ(Bytes(sent.end() - static_cast<long>(c.sentLast.size()), sent.end()), c.sentLast);
    }
}

}  // namespace
}  // namespace rollvane
