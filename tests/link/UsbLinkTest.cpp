// The vendor USB link (the ORNUSB stand-in over libusb) and the USB printer-class link, run
// against fakes at the libusb, libudev and device-node seams.
#include "platform/VirtualClock.h"
#include "rollvane/link/OrnUsbStandIn.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/FakeOverlappedDevice.h"
#include "tests/link/FakeUsbBus.h"
#include "tests/link/FakeUsbDirectory.h"
#include "tests/link/RecordingOrnUsbDriver.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <cerrno>

using rollvane::PrinterLink;
using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;

namespace {

class PrinterLinkUsbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bus = std::make_shared<link_test::FakeUsbBus>(log);
        directory = std::make_shared<link_test::FakeUsbDirectory>();
        device.log = &log;
        device.name = "printer";
        rollvane::LinkFacilities facilities;
        facilities.usbBus = bus;
        facilities.usbDirectory = directory;
        facilities.openPrinterClass = [this](const std::string &path,
                                             int *error) -> std::unique_ptr<platform::OverlappedDevice> {
            log.push_back("printer open " + path);
            *error = openError;
            if (openError != 0) {
                return nullptr;
            }
            return std::make_unique<link_test::FakeOverlappedDevice>(device);
        };
        facilities.ornUsb =
            std::make_unique<link_test::RecordingOrnUsbDriver>(std::make_unique<rollvane::OrnUsbStandIn>(bus), log);
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
    }

    Log TakeLog()
    {
        Log taken;
        taken.swap(log);
        return taken;
    }

    Log log;
    std::shared_ptr<link_test::FakeUsbBus> bus;
    std::shared_ptr<link_test::FakeUsbDirectory> directory;
    link_test::OverlappedScript device;
    int openError = 0;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    std::unique_ptr<PrinterLink> link;
};

platform::UsbPrinterNode PrinterNode(const std::string &devnode, uint8_t bus, uint8_t address, uint8_t interface = 0)
{
    platform::UsbPrinterNode node;
    node.devnode = devnode;
    node.busNumber = bus;
    node.deviceAddress = address;
    node.interfaceNumber = interface;
    node.vendorId = 0x1a2b;
    node.productId = 0x0002;
    return node;
}

}  // namespace

TEST_F(PrinterLinkUsbTest, VendorUsbRolesInOrderWithTheirArguments)
{
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    EXPECT_EQ(TakeLog(), (Log{"usb devices", "usb open 1:5", "usb claim 0", "OpenDevice -> 1 error 0",
                              "OpenPipe 1 0 1 1 -> 1", "OpenPipe 1 0 0 1 -> 2"}));
    EXPECT_EQ(link->ornDevice(), 1);
    EXPECT_EQ(link->ornWritePipe(), 1);
    EXPECT_EQ(link->ornReadPipe(), 2);

    bus->controlReply.assign(64, 0x00);
    bus->controlReply[0] = 0x80;
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 1);
    EXPECT_EQ(status[0], 0x80);
    EXPECT_EQ(TakeLog(), (Log{"usb control c0 5 0500 0 64 5000", "ControlRead 1 1 0 5 1280 0 64 -> 1 count 64"}));

    EXPECT_EQ(link->Send({0x1B, 0x40, 0x0A}), 1);
    EXPECT_EQ(bus->bulkOut, (Bytes{0x1B, 0x40, 0x0A}));
    EXPECT_EQ(TakeLog(), (Log{"usb bulk 02 3 5000"}));

    bus->bulkInData = {0x42, 0x43};
    uint8_t reply[2] = {0, 0};
    EXPECT_EQ(link->Receive(reply, 2), 1);
    EXPECT_EQ(reply[0], 0x42);
    EXPECT_EQ(reply[1], 0x43);
    EXPECT_EQ(TakeLog(), (Log{"usb bulk 81 2 10000"}));

    EXPECT_EQ(link->CheckUsbReconnect(), 0);
    TakeLog();

    link->Close();
    EXPECT_EQ(TakeLog(), (Log{"ClosePipe 1", "ClosePipe 2", "CloseDevice 1", "usb close"}));
    EXPECT_EQ(link->ornWritePipe(), -1);
    EXPECT_EQ(link->ornReadPipe(), -1);
    EXPECT_FALSE(link->isOpen());
}

TEST_F(PrinterLinkUsbTest, VendorUsbWriteNotDoneWithinItsWaitIsAwaitedToTheEnd)
{
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    TakeLog();
    bus->bulkOutLimits = {2, 1};
    EXPECT_EQ(link->Send({1, 2, 3, 4, 5}), 1);
    EXPECT_EQ(bus->bulkOut, (Bytes{1, 2, 3, 4, 5}));
    // 5000 ms for the first part, then without limit (0) for the rest.
    EXPECT_EQ(TakeLog(), (Log{"usb bulk 02 5 5000", "usb bulk 02 3 0", "usb bulk 02 2 0"}));
}

TEST_F(PrinterLinkUsbTest, VendorUsbDeviceChosenByTheDevicesEntryElseTheFirstVendorInterface)
{
    platform::UsbDeviceInfo printerClassOnly;
    printerClassOnly.busNumber = 1;
    printerClassOnly.deviceAddress = 1;
    printerClassOnly.interfaces.push_back({0, 0x07, {{0x01, 0x02}, {0x82, 0x02}}});
    bus->devices = {printerClassOnly, link_test::FakeUsbBus::VendorDevice(0x0aaa, 0x0bbb, 1, 2),
                    link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 3)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    EXPECT_EQ(TakeLog()[1], "usb open 1:2");

    link->devices().SetEntry("ORNUSB", "0x1a2b:0x0001");
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    Log second = TakeLog();
    EXPECT_NE(std::find(second.begin(), second.end(), "usb open 1:3"), second.end());
}

TEST_F(PrinterLinkUsbTest, VendorUsbNotFoundOrNoResourcesFailsOpen)
{
    link->linkType = rollvane::LinkOrnUsb;
    EXPECT_EQ(link->Open("ORNUSB"), 0);
    EXPECT_EQ(TakeLog(), (Log{"usb devices", "OpenDevice -> 0 error " + std::to_string(ENOENT)}));

    bus->devicesError = ENOMEM;
    EXPECT_EQ(link->Open("ORNUSB"), 0);
    EXPECT_EQ(TakeLog(), (Log{"usb devices", "OpenDevice -> 0 error " + std::to_string(ENOMEM)}));

    // Any other error is found out by the pipe open.
    bus->devicesError = 0;
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    bus->openError = EACCES;
    EXPECT_EQ(link->Open("ORNUSB"), 0);
    EXPECT_EQ(TakeLog(), (Log{"usb devices", "usb open 1:5", "OpenDevice -> 0 error " + std::to_string(EACCES),
                              "OpenPipe 0 0 1 1 -> -1"}));
}

TEST_F(PrinterLinkUsbTest, VendorUsbStatusFailsOnlyWhenNothingWasRead)
{
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    uint8_t status[PrinterLink::kStatusBufferSize];
    bus->controlReply.clear();
    EXPECT_EQ(link->QueryStatus(status), 0);
    EXPECT_EQ(status[0], 0xFF);
    // A failed request is not "nothing read": the byte stays 0xFF, which reads as busy.
    bus->controlError = EIO;
    EXPECT_EQ(link->QueryStatus(status), 1);
    EXPECT_EQ(status[0], 0xFF);
    EXPECT_TRUE(PrinterLink::IsBusy(status[0]));
}

TEST_F(PrinterLinkUsbTest, OpenReleasesTheVendorDeviceLeftOpen)
{
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    TakeLog();
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    EXPECT_EQ(TakeLog(),
              (Log{"ClosePipe 1", "ClosePipe 2", "CloseDevice 1", "usb close", "usb devices", "usb open 1:5",
                   "usb claim 0", "OpenDevice -> 2 error 0", "OpenPipe 2 0 1 1 -> 3", "OpenPipe 2 0 0 1 -> 4"}));
}

TEST_F(PrinterLinkUsbTest, VendorUsbReconnectCheckSeesADeviceThatCameBack)
{
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
    link->linkType = rollvane::LinkOrnUsb;
    ASSERT_EQ(link->Open("ORNUSB"), 1);
    EXPECT_EQ(link->CheckUsbReconnect(), 0);
    bus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 9)};
    EXPECT_EQ(link->CheckUsbReconnect(), 1);
    bus->devices.clear();
    EXPECT_EQ(link->CheckUsbReconnect(), 1);
}

TEST_F(PrinterLinkUsbTest, PrinterClassOpensTheFirstNodeAndAsksTheStatusByControlRequest)
{
    directory->printers = {PrinterNode("/dev/usb/lp0", 1, 7, 0), PrinterNode("/dev/usb/lp1", 1, 8, 0)};
    link->linkType = rollvane::LinkUsbPrinterClass;
    ASSERT_EQ(link->Open("Printer Class"), 1);
    EXPECT_EQ(link->deviceCount, 2);
    EXPECT_EQ(link->devicePaths[0], "/dev/usb/lp0");
    EXPECT_EQ(TakeLog(), (Log{"printer open /dev/usb/lp0"}));

    bus->controlReply = {0x18, 0x00, 0x00, 0x00, 0x77};
    uint8_t status[PrinterLink::kStatusBufferSize];
    std::fill(std::begin(status), std::end(status), 0xEE);
    EXPECT_EQ(link->QueryStatus(status), 1);
    EXPECT_EQ(TakeLog(), (Log{"usb open 1:7", "usb control c1 5 0500 0 4 5000", "usb close"}));
    EXPECT_EQ(status[0], 0x18);
    EXPECT_EQ(status[4], 0xEE);
    EXPECT_TRUE(PrinterLink::IsBusy(status[0]));

    bus->controlError = EPIPE;
    EXPECT_EQ(link->QueryStatus(status), 0);
    EXPECT_EQ(status[0], 0xFF);
}

TEST_F(PrinterLinkUsbTest, PrinterClassSendAwaitsAPendingWriteWithoutTheFirstWait)
{
    directory->printers = {PrinterNode("/dev/usb/lp0", 1, 7)};
    link->linkType = rollvane::LinkUsbPrinterClass;
    ASSERT_EQ(link->Open("Printer Class"), 1);
    TakeLog();
    device.writeStart = platform::OverlappedDevice::Start::Pending;
    EXPECT_EQ(link->Send({0x1B, 0x40}), 1);
    EXPECT_EQ(TakeLog(), (Log{"printer write 1b 40", "printer result wait"}));
    device.pendingSucceeds = false;
    EXPECT_EQ(link->Send({0x10}), 0);
}

TEST_F(PrinterLinkUsbTest, PrinterClassReceiveGivesUpAfterItsWaitAndCancels)
{
    directory->printers = {PrinterNode("/dev/usb/lp0", 1, 7)};
    link->linkType = rollvane::LinkUsbPrinterClass;
    ASSERT_EQ(link->Open("Printer Class"), 1);
    TakeLog();
    device.readStart = platform::OverlappedDevice::Start::Pending;
    device.finishesInWait = false;
    uint8_t byte = 0;
    EXPECT_EQ(link->Receive(&byte, 1), 0);
    EXPECT_EQ(TakeLog(), (Log{"printer read 1", "printer wait 10000", "printer result nowait", "printer cancel"}));
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(PrinterLinkUsbTest, PrinterClassWithoutADeviceOrStoredPathFails)
{
    link->linkType = rollvane::LinkUsbPrinterClass;
    EXPECT_EQ(link->Open("Printer Class"), 0);
    EXPECT_TRUE(TakeLog().empty());
    // A path stored by an arrival is opened when the enumeration finds no more.
    link->deviceCount = 1;
    link->devicePaths[0] = "/dev/usb/lp5";
    EXPECT_EQ(link->Open("Printer Class"), 1);
    EXPECT_EQ(TakeLog(), (Log{"printer open /dev/usb/lp5"}));
}

TEST_F(PrinterLinkUsbTest, PrinterClassOpenFailsWithTheSystemsReason)
{
    directory->printers = {PrinterNode("/dev/usb/lp0", 1, 7)};
    link->linkType = rollvane::LinkUsbPrinterClass;
    const std::pair<int, std::string> cases[] = {
        {ENOENT, "Printer Class (/dev/usb/lp0): open: No such file or directory"},
        {ENOMEM, "Printer Class (/dev/usb/lp0): open: Cannot allocate memory"},
        {EACCES, "Printer Class (/dev/usb/lp0): open: Permission denied"},
    };
    for (const auto &[error, cause] : cases) {
        openError = error;
        EXPECT_EQ(link->Open("Printer Class"), 0);
        EXPECT_EQ(link->failureCause(), cause);
        EXPECT_FALSE(link->isOpen());
    }
}

TEST_F(PrinterLinkUsbTest, EnumerationStopsAt127Nodes)
{
    for (int i = 0; i < 130; ++i) {
        directory->printers.push_back(PrinterNode("/dev/usb/lp" + std::to_string(i), 1, static_cast<uint8_t>(i)));
    }
    std::vector<std::string> paths;
    EXPECT_EQ(link->EnumerateUsbPrinters(&paths), 127);
    ASSERT_EQ(paths.size(), 127u);
    EXPECT_EQ(paths.front(), "/dev/usb/lp0");
    EXPECT_EQ(paths.back(), "/dev/usb/lp126");
    directory->error = ENOMEM;
    EXPECT_EQ(link->EnumerateUsbPrinters(&paths), 0);
}
