// Where the link stands after an action when the port is named "ORNUSB": "Change Settings"
// leaves it open (every other port is closed at the end), "Print Configurations" closes it.
#include "platform/VirtualClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/link/OrnUsbStandIn.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsPage.h"
#include "tests/link/FakeUsbBus.h"
#include "tests/link/RecordingOrnUsbDriver.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;

// The maker's USB link on the fake bus: a ready printer, every write taken. The write closes the
// link after 1D FF; then only a port named exactly "ORNUSB" is spared the action's final close,
// which the driver sees as one more CloseDevice of no device.
TEST(OrnUsbActionEnd, ChangeSettingsSparesOnlyThePortNamedOrnUsbTheFinalClose)
{
    std::vector<std::string> log;
    auto bus = std::make_shared<link_test::FakeUsbBus>(log);
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    bus->controlReply.assign(64, 0x00);
    LinkFacilities facilities;
    facilities.usbBus = bus;
    facilities.ornUsb = std::make_unique<link_test::RecordingOrnUsbDriver>(std::make_unique<OrnUsbStandIn>(bus), log);
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link(ui, clock, std::move(facilities));
    link.linkType = LinkOrnUsb;
    InterfaceSettings interface;
    interface.linkType = LinkOrnUsb;
    for (const char *port : {"ORNUSB", "ornusb", "ORNUSB ", "USB"}) {
        SCOPED_TRACE(port);
        interface.portText = port;
        SettingsPage page(link, interface);
        page.SetListText(25, "Disabled");
        log.clear();
        EXPECT_EQ(page.ApplySettings(), 1);
        EXPECT_FALSE(link.isOpen());
        std::vector<std::string> closes;
        for (const auto &line : log) {
            if (line.rfind("CloseDevice", 0) == 0) {
                closes.push_back(line);
            }
        }
        ASSERT_FALSE(closes.empty());
        EXPECT_NE(closes.front(), "CloseDevice 0");  // the write's own close of the open device
        EXPECT_EQ(closes.size(), interface.portText == "ORNUSB" ? 1u : 2u);
    }
}

// What the printer has received once count bytes came (or two seconds passed) and the line
// then stayed quiet for 100 ms.
Bytes ReceivedBy(const testing_support::PtyPrinter &printer, std::size_t count)
{
    for (int i = 0; i < 100 && printer.received().size() < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return printer.received();
}

// The menu command ends with the link closed whatever the port is named, after a printout and
// after a busy printer alike. The desktop program makes its own link, so "ORNUSB" names a
// serial line here through its [DEVICES] entry.
TEST(OrnUsbActionEnd, PrintConfigurationsClosesThePortNamedOrnUsb)
{
    const std::string title = "KOVA-AXX Rollvane Ver 2.28";
    Bytes printout = {0x1B, 0x68, 0x1B, 0x68, 0x1B, 0x40, 0x10, 0x1B, 0x76, 0x1B, 0x45, 0x01};
    printout.insert(printout.end(), title.begin(), title.end());
    printout.insert(printout.end(), {0x00, 0x1B, 0x45, 0x00, 0x0A, 0x1F, 0x74});
    const struct {
        int status;
        Bytes received;
        const char *message;
    } cases[] = {{0x00, printout, nullptr}, {0x08, {0x1B, 0x68}, "Please check for any error condition on printer!"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        testing_support::TempDir dir;
        testing_support::PtyPrinter printer;
        printer.Answer({0x1B, 0x68}, {static_cast<uint8_t>(c.status)});
        printer.Answer({0x1B, 0x76}, {0x00});
        testing_support::TempDir::Write(dir.file("inifile.inf"),
                                        "[INITIAL]\nCOMPORT=ORNUSB\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                        "F.CONTROL=Xon/Xoff\nCOMMUNICATION=0\n[DEVICES]\nORNUSB=" +
                                            printer.slavePath() + "\n");
        testing_support::RecordingUserInterface ui;
        platform::VirtualClock clock;
        MainWindow window(ui, clock, dir.file("inifile.inf"));
        ASSERT_EQ(window.interfaceDialog().settings().portText, "ORNUSB");
        window.PrintConfigurations();
        EXPECT_FALSE(window.link().isOpen());
        EXPECT_EQ(ReceivedBy(printer, c.received.size()), c.received);
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, c.message);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

}  // namespace
}  // namespace rollvane
