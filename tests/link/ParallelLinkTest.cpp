// The parallel link's overlapped rules against a fake ppdev node, its pause on the virtual clock.
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/FakeOverlappedDevice.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using rollvane::PrinterLink;
using Start = platform::OverlappedDevice::Start;
using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;

namespace {

class PrinterLinkParallelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.log = &log;
        device.name = "lpt";
        rollvane::LinkFacilities facilities;
        facilities.openParallel = [this](const std::string &path,
                                         int *error) -> std::unique_ptr<platform::OverlappedDevice> {
            log.push_back("lpt open " + path);
            *error = 0;
            return std::make_unique<link_test::FakeOverlappedDevice>(device);
        };
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        link->linkType = rollvane::LinkParallel;
    }

    void OpenPort()
    {
        ASSERT_EQ(link->Open("LPT1"), 1);
        link->Configure(link_test::SerialSettings("LPT1", 9600, "NONE", 8, 1));
        log.clear();
    }

    Log log;
    link_test::OverlappedScript device;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    std::unique_ptr<PrinterLink> link;
};

}  // namespace

TEST_F(PrinterLinkParallelTest, OpensTheMappedNode)
{
    ASSERT_EQ(link->Open("LPT1"), 1);
    link->devices().SetEntry("LPT1", "/dev/parport2");
    ASSERT_EQ(link->Open("LPT1"), 1);
    EXPECT_EQ(log, (Log{"lpt open /dev/parport0", "lpt close", "lpt open /dev/parport2"}));
    // The serial time-outs do not reach this transport.
    EXPECT_EQ(link->SetReadTimeout(100), 0);
    EXPECT_EQ(link->SetWriteTimeout(100), 0);
}

TEST_F(PrinterLinkParallelTest, SendWaitsUpTo5000MsThenAwaitsAPendingWrite)
{
    OpenPort();
    EXPECT_EQ(link->Send({0x1B, 0x40}), 1);
    EXPECT_EQ(log, (Log{"lpt write 1b 40", "lpt wait 5000"}));

    log.clear();
    device.writeStart = Start::Pending;
    device.finishesInWait = false;
    EXPECT_EQ(link->Send({0x10}), 1);
    EXPECT_EQ(log, (Log{"lpt write 10", "lpt wait 5000", "lpt result wait"}));

    device.pendingSucceeds = false;
    EXPECT_EQ(link->Send({0x10}), 0);
    // A write refused outright is a failed send, not a sent block.
    device.writeStart = Start::Failed;
    EXPECT_EQ(link->Send({0x10}), 0);
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(PrinterLinkParallelTest, AReadRefusedOutrightFails)
{
    OpenPort();
    device.readStart = Start::Failed;
    device.readData = {0x00};
    uint8_t byte = 0xEE;
    EXPECT_EQ(link->Receive(&byte, 1), 0);
    EXPECT_EQ(byte, 0xEE);
}

TEST_F(PrinterLinkParallelTest, ReceivePauses400MsThenWaitsUpTo10000Ms)
{
    OpenPort();
    device.readData = {0x5A};
    uint8_t byte = 0;
    EXPECT_EQ(link->Receive(&byte, 1), 1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(clock.sleeps(), (std::vector<std::chrono::milliseconds>{400ms}));
    EXPECT_EQ(log, (Log{"lpt read 1", "lpt wait 10000"}));

    log.clear();
    device.readStart = Start::Pending;
    device.readData = {0x33};
    EXPECT_EQ(link->Receive(&byte, 1), 1);
    EXPECT_EQ(byte, 0x33);
    EXPECT_EQ(log, (Log{"lpt read 1", "lpt wait 10000", "lpt result nowait"}));
}

TEST_F(PrinterLinkParallelTest, AReadStillPendingFailsAndIsCancelled)
{
    OpenPort();
    device.readStart = Start::Pending;
    device.finishesInWait = false;
    device.readData = {0x01};
    uint8_t byte = 0xEE;
    EXPECT_EQ(link->Receive(&byte, 1), 0);
    EXPECT_EQ(byte, 0xEE);
    EXPECT_EQ(log, (Log{"lpt read 1", "lpt wait 10000", "lpt result nowait", "lpt cancel"}));
}

TEST_F(PrinterLinkParallelTest, StatusQuerySendsEscHAndReadsOneByte)
{
    OpenPort();
    device.readData = {0x08};
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 1);
    EXPECT_EQ(device.written, (Bytes{0x1B, 0x68}));
    EXPECT_EQ(status[0], 0x08);
    EXPECT_TRUE(PrinterLink::IsBusy(status[0]));
    EXPECT_EQ(log, (Log{"lpt write 1b 68", "lpt wait 5000", "lpt read 1", "lpt wait 10000"}));

    // Nothing arrives: the read is cancelled and the byte stays 0xFF.
    device.readStart = Start::Pending;
    device.finishesInWait = false;
    EXPECT_EQ(link->QueryStatus(status), 0);
    EXPECT_EQ(status[0], 0xFF);
}

TEST_F(PrinterLinkParallelTest, CloseReleasesThePort)
{
    OpenPort();
    link->Close();
    EXPECT_EQ(device.closes, 1);
    EXPECT_FALSE(link->isOpen());
    EXPECT_EQ(link->Send({0x10}), 0);
}
