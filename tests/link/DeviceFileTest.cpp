// The device-node transport (usblp's overlapped rules) on a real pseudo-terminal, and the
// printer-class link's traffic through it.
#include "platform/DeviceFile.h"
#include "platform/RealClock.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/FakeUsbDirectory.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using platform::DeviceFile;
using Start = platform::OverlappedDevice::Start;
using Bytes = std::vector<uint8_t>;

TEST(PrinterLinkDeviceFile, APendingReadCompletesWhenBytesArrive)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    int error = 0;
    auto device = DeviceFile::Open(pty.slavePath(), DeviceFile::Kind::PrinterClass, &error);
    ASSERT_NE(device, nullptr) << error;

    uint8_t buffer[8] = {};
    std::size_t moved = 0;
    EXPECT_EQ(device->StartRead(buffer, sizeof buffer, &moved, &error), Start::Pending);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->WaitPending(200ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    EXPECT_FALSE(device->PendingResult(false, &moved, &error));

    pty.WriteMaster({0x41, 0x42});
    EXPECT_TRUE(device->WaitPending(2000ms));
    EXPECT_TRUE(device->PendingResult(false, &moved, &error));
    EXPECT_EQ(moved, 2u);
    EXPECT_EQ(buffer[0], 0x41);
    EXPECT_EQ(buffer[1], 0x42);

    // A read that was given up is not filled later.
    uint8_t late[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(device->StartRead(late, sizeof late, &moved, &error), Start::Pending);
    EXPECT_FALSE(device->WaitPending(10ms));
    device->Cancel();
    pty.WriteMaster({0x01});
    EXPECT_TRUE(device->WaitPending(100ms));
    EXPECT_EQ(late[0], 0xEE);
}

TEST(PrinterLinkDeviceFile, AWriteCompletesAtOnceWhenTheDeviceTakesIt)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    int error = 0;
    auto device = DeviceFile::Open(pty.slavePath(), DeviceFile::Kind::PrinterClass, &error);
    ASSERT_NE(device, nullptr);
    const Bytes data{0x1B, 0x40, 0x00, 0xFF};
    std::size_t moved = 0;
    EXPECT_EQ(device->StartWrite(data.data(), data.size(), &moved, &error), Start::Completed);
    EXPECT_EQ(moved, data.size());
    EXPECT_EQ(pty.ReadMaster(1000ms, data.size()), data);
}

TEST(PrinterLinkDeviceFile, AParallelPortNeedsPpdev)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    int error = 0;
    EXPECT_EQ(DeviceFile::Open(pty.slavePath(), DeviceFile::Kind::ParallelPort, &error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(DeviceFile::Open("/nonexistent/parport0", DeviceFile::Kind::ParallelPort, &error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST(PrinterLinkDeviceFile, PrinterClassLinkTrafficOnARealNode)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    auto directory = std::make_shared<link_test::FakeUsbDirectory>();
    platform::UsbPrinterNode node;
    node.devnode = pty.slavePath();
    directory->printers = {node};
    auto facilities = rollvane::LinkFacilities::Real();
    facilities.usbDirectory = directory;
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    rollvane::PrinterLink link(ui, clock, std::move(facilities));
    link.linkType = rollvane::LinkUsbPrinterClass;
    ASSERT_EQ(link.Open("Printer Class"), 1);
    EXPECT_EQ(link.Send({0x1B, 0x76}), 1);
    EXPECT_EQ(pty.ReadMaster(1000ms, 2), (Bytes{0x1B, 0x76}));
    std::thread printer([&pty] {
        std::this_thread::sleep_for(100ms);
        pty.WriteMaster({0x04});
    });
    uint8_t reply = 0;
    EXPECT_EQ(link.Receive(&reply, 1), 1);
    printer.join();
    EXPECT_EQ(reply, 0x04);
    link.Close();
    EXPECT_FALSE(link.isOpen());
}
