// USB arrivals and removals from synthetic udev events.
#include "platform/RealClock.h"
#include "platform/SystemError.h"
#include "platform/UsbDeviceMonitor.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/FakeUsbDirectory.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>

using rollvane::PrinterLink;
using Event = platform::UsbDeviceEvent;

namespace {

Event UsbEvent(Event::Kind kind, const std::string &sysname, const std::string &devtype = "usb_device")
{
    Event event;
    event.kind = kind;
    event.devtype = devtype;
    event.sysname = sysname;
    event.syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + sysname;
    event.devnode = devtype == "usb_device" ? "/dev/bus/usb/001/004" : "";
    return event;
}

class PrinterLinkDeviceChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = std::make_shared<link_test::FakeUsbDirectory>();
        auto facilities = rollvane::LinkFacilities::Real();
        facilities.usbDirectory = directory;
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        link->devices().SetEntry("COM2", pty.slavePath());
        link->flowControl = "DTR/DSR";
        link->deviceCount = 3;
    }

    testing_support::PtyPair pty;
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    std::shared_ptr<link_test::FakeUsbDirectory> directory;
    std::unique_ptr<PrinterLink> link;
};

}  // namespace

TEST_F(PrinterLinkDeviceChangeTest, RootHubOnlyResetsTheCount)
{
    ASSERT_EQ(link->Open("COM2"), 1);
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Removal, "usb1")), 0);
    EXPECT_EQ(link->deviceCount, 0);
    EXPECT_TRUE(link->isOpen());
    link->deviceCount = 2;
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Arrival, "usb2")), 0);
    EXPECT_EQ(link->deviceCount, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrinterLinkDeviceChangeTest, RemovalClosesALinkThatIsNotUsb)
{
    ASSERT_EQ(link->Open("COM2"), 1);
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Removal, "1-4")), 0);
    EXPECT_EQ(link->deviceCount, 0);
    EXPECT_FALSE(link->isOpen());
}

TEST_F(PrinterLinkDeviceChangeTest, ArrivalStoresThePrinterNodeOfThePresentDevice)
{
    const Event arrival = UsbEvent(Event::Kind::Arrival, "1-4");
    directory->present = {{"/sys/devices/other", "/dev/bus/usb/001/002", ""},
                          {arrival.syspath, arrival.devnode, "/dev/usb/lp0"}};
    EXPECT_EQ(link->HandleDeviceChange(arrival), 0);
    EXPECT_EQ(link->deviceCount, 1);
    EXPECT_EQ(link->devicePaths[0], "/dev/usb/lp0");

    // A device without a printer node yet is stored by its own node.
    directory->present = {{arrival.syspath, arrival.devnode, ""}};
    EXPECT_EQ(link->HandleDeviceChange(arrival), 0);
    EXPECT_EQ(link->deviceCount, 1);
    EXPECT_EQ(link->devicePaths[0], "/dev/bus/usb/001/004");
}

TEST_F(PrinterLinkDeviceChangeTest, ArrivalOfADeviceAlreadyGoneLeavesTheCountAtZero)
{
    directory->present = {{"/sys/devices/other", "/dev/bus/usb/001/002", "/dev/usb/lp0"}};
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Arrival, "1-4")), 0);
    EXPECT_EQ(link->deviceCount, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrinterLinkDeviceChangeTest, OtherEventsChangeNothing)
{
    ASSERT_EQ(link->Open("COM2"), 1);
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Other, "1-4")), 0);
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Removal, "1-4:1.0", "usb_interface")), 0);
    EXPECT_EQ(link->deviceCount, 3);
    EXPECT_TRUE(link->isOpen());
}

TEST_F(PrinterLinkDeviceChangeTest, AFailedDeviceListIsReportedWithTheSystemText)
{
    directory->error = ENOMEM;
    EXPECT_EQ(link->HandleDeviceChange(UsbEvent(Event::Kind::Arrival, "1-4")), 0);
    EXPECT_EQ(link->deviceCount, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "udev_enumerate_scan_devices(): " + platform::SystemError::Text(ENOMEM));
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Exclamation);
}

TEST_F(PrinterLinkDeviceChangeTest, AnArrivalPathIsWhatThePrinterClassOpenUses)
{
    link->deviceCount = 0;
    link->linkType = rollvane::LinkUsbPrinterClass;
    EXPECT_EQ(link->Open("Printer Class"), 0);
    const Event arrival = UsbEvent(Event::Kind::Arrival, "1-4");
    directory->present = {{arrival.syspath, arrival.devnode, "/dev/usb/lp0"}};
    link->HandleDeviceChange(arrival);
    EXPECT_EQ(link->deviceCount, 1);
    // No such node here: the open fails as "not found".
    EXPECT_EQ(link->Open("Printer Class"), 0);
}

TEST(PrinterLinkUsbMonitor, CreatesOrReportsTheSystemError)
{
    int error = -1;
    auto monitor = platform::UsbDeviceMonitor::Create(&error);
    if (monitor) {
        EXPECT_EQ(error, 0);
        EXPECT_GE(monitor->fd(), 0);
        // The event loop reads until nothing is left, so the socket must not block.
        EXPECT_NE(fcntl(monitor->fd(), F_GETFL) & O_NONBLOCK, 0);
        platform::UsbDeviceEvent event;
        EXPECT_FALSE(monitor->ReadEvent(&event));  // nothing pending
    } else {
        EXPECT_GT(error, 0);
        EXPECT_FALSE(platform::SystemError::Text(error).empty());
    }
}
