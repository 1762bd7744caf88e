// The restart wait of the test prints on the USB links, with fakes at the libusb, libudev and
// device-node seams and on virtual time: who closes, reconnects and reopens, how long each
// pass sleeps, and how a printer that does not come back or does not answer ends the run.
#include "platform/VirtualClock.h"
#include "rollvane/link/OrnUsbStandIn.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/TestPrintRunner.h"
#include "tests/link/FakeOverlappedDevice.h"
#include "tests/link/FakeUsbBus.h"
#include "tests/link/FakeUsbDirectory.h"
#include "tests/link/RecordingOrnUsbDriver.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;
using std::chrono::milliseconds;

// The bus of the fakes, answering only so many printer-class status requests (each opens
// the device behind the node); -1: all of them.
class StatusBudgetBus final : public platform::UsbBus {
public:
    explicit StatusBudgetBus(std::shared_ptr<link_test::FakeUsbBus> bus) : bus_(std::move(bus)) {}

    bool Devices(std::vector<platform::UsbDeviceInfo> *devices, int *error) override
    {
        return bus_->Devices(devices, error);
    }
    std::unique_ptr<platform::UsbDeviceHandle> Open(const platform::UsbDeviceInfo &info, int *error) override
    {
        ++opens;
        if (answers == 0) {
            *error = ENODEV;
            return nullptr;
        }
        if (answers > 0) {
            --answers;
        }
        return bus_->Open(info, error);
    }

    int answers = -1;
    int opens = 0;

private:
    std::shared_ptr<link_test::FakeUsbBus> bus_;
};

bool Contains(const Bytes &haystack, const Bytes &needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

long Count(const Log &log, const std::string &entry)
{
    return std::count(log.begin(), log.end(), entry);
}

// A link on the fakes, made afresh for every case.
struct UsbRig {
    UsbRig()
    {
        fakeBus = std::make_shared<link_test::FakeUsbBus>(log);
        bus = std::make_shared<StatusBudgetBus>(fakeBus);
        directory = std::make_shared<link_test::FakeUsbDirectory>();
        device.log = &log;
        device.name = "printer";
        LinkFacilities facilities;
        facilities.usbBus = bus;
        facilities.usbDirectory = directory;
        facilities.openPrinterClass = [this](const std::string &path,
                                             int *error) -> std::unique_ptr<platform::OverlappedDevice> {
            log.push_back("printer open " + path);
            *error = openError;
            return openError != 0 ? nullptr : std::make_unique<link_test::FakeOverlappedDevice>(device);
        };
        facilities.ornUsb =
            std::make_unique<link_test::RecordingOrnUsbDriver>(std::make_unique<OrnUsbStandIn>(bus), log);
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        runner = std::make_unique<TestPrintRunner>(*link);
        runner->dualSide = 1;
    }

    Log log;
    std::shared_ptr<link_test::FakeUsbBus> fakeBus;
    std::shared_ptr<StatusBudgetBus> bus;
    std::shared_ptr<link_test::FakeUsbDirectory> directory;
    link_test::OverlappedScript device;
    int openError = 0;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    std::unique_ptr<PrinterLink> link;
    std::unique_ptr<TestPrintRunner> runner;
};

TEST(TestPrintRestartTest, UsbLinksThroughTheRestart)
{
    using Ms = std::vector<milliseconds>;
    const milliseconds s1(1000), s2(2000), s5(5000);
    const struct {
        const char *name;
        int32_t linkType;
        int paperType;
        bool printerAt58;
        // Run after the link is open, before the test print.
        std::function<void(UsbRig &)> before;
        PrinterErrorCode result;
        bool openAfter;
        bool printed;
        std::string countedEntry;
        long entryCount;
        int statusRequests;  // printer class only
        Ms firstSleeps;
        milliseconds totalSlept;
    } cases[] = {
        {"maker's USB: reconnected and opened again",
         LinkOrnUsb,
         1,
         false,
         {},
         ErrNone,
         false,
         true,
         "CheckReconnect 0 -> 1",
         1,
         0,
         Ms{s1, s2, s5, s1},
         milliseconds(9000)},
        {"maker's USB: the device does not come back", LinkOrnUsb, 1, false,
         [](UsbRig &t) { t.fakeBus->devices.clear(); }, ErrTimeout, false, false, "OpenDevice -> 0 error 2", 1, 0,
         Ms{s1, s2, s5}, milliseconds(8000)},
        {"printer class: reopened at the first try",
         LinkUsbPrinterClass,
         0,
         true,
         {},
         ErrNone,
         false,
         true,
         "printer open /dev/usb/lp0",
         2,
         3,
         Ms{s1, s2, s5, s1},
         milliseconds(9000)},
        // Ten reopens of a second each in every one of the 30 passes; nothing is left open.
        {"printer class: never reopened", LinkUsbPrinterClass, 1, false, [](UsbRig &t) { t.openError = ENOENT; },
         ErrTimeout, false, false, "printer open /dev/usb/lp0", 1 + 300, 1, Ms{s1, s2, s5, s1, s1},
         milliseconds(3000 + 30 * 16000)},
        {"printer class: restart never answered", LinkUsbPrinterClass, 1, false, [](UsbRig &t) { t.bus->answers = 1; },
         ErrTimeout, true, false, "printer open /dev/usb/lp0", 1 + 30, 31, Ms{s1, s2, s5, s1, s5},
         milliseconds(3000 + 30 * 6000)},
        {"printer class: final wait never answered", LinkUsbPrinterClass, 0, false,
         [](UsbRig &t) { t.bus->answers = 1; }, ErrTimeout, true, true, "printer open /dev/usb/lp0", 1, 31, Ms{s1},
         milliseconds(1000)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        UsbRig rig;
        auto &fakeBus = rig.fakeBus;
        auto &bus = rig.bus;
        auto &directory = rig.directory;
        auto &device = rig.device;
        auto &link = rig.link;
        auto &runner = rig.runner;
        auto &log = rig.log;
        auto &clock = rig.clock;
        const uint8_t widthByte = c.printerAt58 ? 0x08 : 0x00;
        fakeBus->devices = {link_test::FakeUsbBus::VendorDevice(0x1a2b, 0x0001, 1, 5)};
        fakeBus->controlReply.assign(64, 0x00);
        fakeBus->bulkInData = {0x00, widthByte, 0x00};
        directory->printers.resize(1);
        directory->printers[0].devnode = "/dev/usb/lp0";
        directory->printers[0].busNumber = 1;
        directory->printers[0].deviceAddress = 7;
        device.readData = {0x00, widthByte};
        link->linkType = c.linkType;
        ASSERT_EQ(link->Open(c.linkType == LinkOrnUsb ? "ORNUSB" : "Printer Class"), 1);
        if (c.before) {
            c.before(rig);
        }
        runner->paperType = c.paperType;
        EXPECT_EQ(runner->RunTestPrint(TestDuty100), c.result);

        const Bytes &written = c.linkType == LinkOrnUsb ? fakeBus->bulkOut : device.written;
        const Bytes setting = {0x1F, 0x36, 0x32, static_cast<uint8_t>(c.paperType), 0xFF, 0x1D, 0xFF};
        EXPECT_EQ(Contains(written, setting), c.paperType != (c.printerAt58 ? 1 : 0));
        EXPECT_EQ(Contains(written, {0x1B, 0x69}), c.printed);
        EXPECT_EQ(link->isOpen(), c.openAfter);
        EXPECT_EQ(Count(log, c.countedEntry), c.entryCount);
        if (c.linkType == LinkUsbPrinterClass) {
            EXPECT_EQ(bus->opens, c.statusRequests);
            if (c.entryCount > 1) {
                // The device of the first open was closed before the first reopen.
                const auto closed = std::find(log.begin(), log.end(), "printer close");
                const auto reopened =
                    std::find(std::find(log.begin(), log.end(), c.countedEntry) + 1, log.end(), c.countedEntry);
                EXPECT_LT(closed, reopened);
            }
        } else {
            EXPECT_GE(Count(log, "CloseDevice 1"), 1);
        }
        const auto &sleeps = clock.sleeps();
        ASSERT_GE(sleeps.size(), c.firstSleeps.size());
        EXPECT_EQ(Ms(sleeps.begin(), sleeps.begin() + static_cast<std::ptrdiff_t>(c.firstSleeps.size())),
                  c.firstSleeps);
        EXPECT_EQ(clock.totalSlept(), c.totalSlept);
        link->EndOperation();
    }
}

}  // namespace
}  // namespace rollvane
