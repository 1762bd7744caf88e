// The serial link over a real pseudo-terminal; the test plays the printer on the master side.
#include "platform/RealClock.h"
#include "platform/SerialPort.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/link/SerialPortLine.h"
#include "tests/link/ShortWriteSerialLine.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using rollvane::PrinterLink;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kMax = platform::kMaxTimeout;

bool SameTimeouts(const platform::CommTimeouts &a, const platform::CommTimeouts &b)
{
    return a.readInterval == b.readInterval && a.readTotalMultiplier == b.readTotalMultiplier &&
           a.readTotalConstant == b.readTotalConstant && a.writeTotalMultiplier == b.writeTotalMultiplier &&
           a.writeTotalConstant == b.writeTotalConstant;
}

class PrinterLinkSerialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.valid());
        auto facilities = rollvane::LinkFacilities::Real();
        facilities.openSerial = [this](const std::string &path, int *error) -> std::unique_ptr<rollvane::SerialLine> {
            auto line = rollvane::SerialPortLine::Open(path, error);
            if (!line) {
                return nullptr;
            }
            return std::make_unique<link_test::ShortWriteSerialLine>(std::move(line), script);
        };
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        link->linkType = rollvane::LinkSerial;
        link->flowControl = "DTR/DSR";
        link->devices().SetEntry("COM3", pty.slavePath());
    }

    void OpenAndConfigure()
    {
        ASSERT_EQ(link->Open("COM3"), 1);
        EXPECT_EQ(link->Configure(link_test::SerialSettings("COM3", 115200, "NONE", 8, 1)), 0);
    }

    // The printer: waits for the request, then answers.
    std::thread Printer(std::size_t requestSize, Bytes reply, Bytes *request)
    {
        return std::thread([this, requestSize, reply, request] {
            *request = pty.ReadMaster(3000ms, requestSize);
            if (!reply.empty()) {
                pty.WriteMaster(reply);
            }
        });
    }

    testing_support::PtyPair pty;
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    link_test::ShortWriteSerialLine::Script script;
    std::unique_ptr<PrinterLink> link;
};

}  // namespace

TEST_F(PrinterLinkSerialTest, SendPutsTheExactBytesOnTheLine)
{
    OpenAndConfigure();
    EXPECT_EQ(link->ConfigureSerial("COM3", 115200, "NONE", 8, 1), 1);
    const Bytes data{0x1B, 0x40, 0x00, 0xFF, 0x10, 0x1F, 0x36, 0x0D, 0x0A};
    EXPECT_EQ(link->Send(data.data(), static_cast<uint32_t>(data.size())), 1);
    EXPECT_EQ(link->Send({0x1D, 0xFF}), 1);
    Bytes expected = data;
    expected.insert(expected.end(), {0x1D, 0xFF});
    EXPECT_EQ(pty.ReadMaster(2000ms, expected.size()), expected);
    EXPECT_EQ(pty.ReadMaster(100ms), Bytes{});
}

TEST_F(PrinterLinkSerialTest, StatusRequestIsEscHAndTheReplyIsTheStatusByte)
{
    OpenAndConfigure();
    Bytes request;
    std::thread printer = Printer(2, {0x12}, &request);
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 1);
    printer.join();
    EXPECT_EQ(request, (Bytes{0x1B, 0x68}));
    EXPECT_EQ(status[0], 0x12);
    EXPECT_FALSE(PrinterLink::IsBusy(status[0]));
    // After a good query: 10000 for both setters, so a read waits 1000 ms and a write 1250/byte + 10000.
    EXPECT_TRUE(SameTimeouts(link->serialTimeouts(), {kMax, kMax, 1000, 1250, 10000}));
}

TEST_F(PrinterLinkSerialTest, TimeoutsAfterOpenAndDuringTheStatusQuery)
{
    ASSERT_EQ(link->Open("COM3"), 1);
    EXPECT_TRUE(SameTimeouts(link->serialTimeouts(), {kMax, kMax, 30000, 250, 10000}));
    link->Configure(link_test::SerialSettings("COM3", 9600, "NONE", 8, 1));
    EXPECT_TRUE(SameTimeouts(link->serialTimeouts(), {kMax, kMax, 30000, 250, 10000}));
    script.timeouts.clear();
    uint8_t status[PrinterLink::kStatusBufferSize];
    Bytes request;
    std::thread printer = Printer(2, {0x00}, &request);
    ASSERT_EQ(link->QueryStatus(status), 1);
    printer.join();
    ASSERT_EQ(script.timeouts.size(), 4u);
    EXPECT_TRUE(SameTimeouts(script.timeouts[0], {kMax, kMax, 100, 250, 10000}));
    EXPECT_TRUE(SameTimeouts(script.timeouts[1], {kMax, kMax, 1000, 1250, 100}));
    EXPECT_TRUE(SameTimeouts(script.timeouts[2], {kMax, kMax, 10000, 250, 10000}));
    EXPECT_TRUE(SameTimeouts(script.timeouts[3], {kMax, kMax, 1000, 1250, 10000}));
}

TEST_F(PrinterLinkSerialTest, SilentPrinterFailsAfterTheReadLimitAndLeavesFF)
{
    OpenAndConfigure();
    uint8_t status[PrinterLink::kStatusBufferSize];
    status[0] = 0x00;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link->QueryStatus(status), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(status[0], 0xFF);
    EXPECT_TRUE(PrinterLink::IsBusy(status[0]));
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 3000ms);
    // The values set at the start of the query stay in force.
    EXPECT_TRUE(SameTimeouts(link->serialTimeouts(), {kMax, kMax, 1000, 1250, 100}));
    EXPECT_EQ(pty.ReadMaster(500ms, 2), (Bytes{0x1B, 0x68}));
}

TEST_F(PrinterLinkSerialTest, SendDiscardsWhatArrivedBefore)
{
    OpenAndConfigure();
    pty.WriteMaster({0xAA, 0xBB});
    std::this_thread::sleep_for(100ms);
    Bytes request;
    std::thread printer = Printer(1, {0x55}, &request);
    EXPECT_EQ(link->Send({0x01}), 1);
    printer.join();
    uint8_t reply = 0;
    EXPECT_EQ(link->Receive(&reply, 1), 1);
    EXPECT_EQ(reply, 0x55);
}

TEST_F(PrinterLinkSerialTest, ReceiveStopsAtTheFirstMissingByte)
{
    OpenAndConfigure();
    link->SetReadTimeout(200);  // a read then waits at most 200 ms for its byte
    pty.WriteMaster({0x01, 0x02});
    std::this_thread::sleep_for(50ms);
    uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(link->Receive(buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0x01);
    EXPECT_EQ(buffer[1], 0x02);
    EXPECT_EQ(buffer[2], 0xEE);
    EXPECT_EQ(link->Receive(buffer, 0), 1);
}

// A receive with nothing coming waits out the read limit set on the link, not less.
TEST_F(PrinterLinkSerialTest, ReceiveOfNothingWaitsOutTheReadLimit)
{
    OpenAndConfigure();
    link->SetReadTimeout(300);
    uint8_t byte = 0xEE;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link->Receive(&byte, 1), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2000ms);
    EXPECT_EQ(byte, 0xEE);
}

TEST_F(PrinterLinkSerialTest, PortHeldByAnotherOpenRefusesOpen)
{
    int error = 0;
    auto other = platform::SerialPort::Open(pty.slavePath(), &error);
    ASSERT_NE(other, nullptr) << error;
    EXPECT_EQ(link->Open("COM3"), 0);
    EXPECT_FALSE(link->isOpen());
    other.reset();
    EXPECT_EQ(link->Open("COM3"), 1);
}

TEST_F(PrinterLinkSerialTest, OpenClosesWhatAnEarlierActionLeftOpen)
{
    ASSERT_EQ(link->Open("COM3"), 1);
    // A second open of the same port would meet its own lock if the first stayed open.
    EXPECT_EQ(link->Open("COM3"), 1);
    link->Close();
    EXPECT_FALSE(link->isOpen());
}

TEST_F(PrinterLinkSerialTest, ReopenOpensAndAppliesTheRememberedSettings)
{
    OpenAndConfigure();
    link->Close();
    script.appliedState.reset();
    EXPECT_EQ(link->Reopen(), 1);
    ASSERT_TRUE(script.appliedState);
    EXPECT_EQ(script.appliedState->BaudRate, 115200u);
    EXPECT_EQ(link->Send({0x10}), 1);
    EXPECT_EQ(pty.ReadMaster(1000ms, 1), Bytes{0x10});
}

// Parity, flow control and stop bits, checked where they become termios and modem-line
// settings (a pseudo-terminal keeps neither parity nor modem lines).
class PrinterLinkSerialSettingsTest : public PrinterLinkSerialTest {
protected:
    termios Applied(platform::ModemLineRequest *lines = nullptr)
    {
        termios t{};
        cfmakeraw(&t);
        platform::ModemLineRequest request;
        int error = 0;
        EXPECT_TRUE(platform::SerialSettings::ToTermios(*script.appliedState, &t, lines ? lines : &request, &error));
        return t;
    }
};

TEST_F(PrinterLinkSerialSettingsTest, ParityTextsByTheirFirstLetter)
{
    script.applyState = false;
    ASSERT_EQ(link->Open("COM3"), 1);
    struct Case {
        const char *text;
        uint8_t parity;
        tcflag_t flags;
    };
    const Case cases[] = {
        {"EVEN", platform::Dcb::kParityEven, PARENB},
        {"e", platform::Dcb::kParityEven, PARENB},
        {"ODD", platform::Dcb::kParityOdd, PARENB | PARODD},
        {"M", platform::Dcb::kParityMark, PARENB | CMSPAR | PARODD},
        {"S", platform::Dcb::kParitySpace, PARENB | CMSPAR},
        {"NULL", platform::Dcb::kParityNone, 0},
        {"NONE", platform::Dcb::kParityNone, 0},
        {"", platform::Dcb::kParityNone, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(link->ConfigureSerial("COM3", 9600, c.text, 8, 1), 1);
        ASSERT_TRUE(script.appliedState);
        EXPECT_EQ(script.appliedState->Parity, c.parity);
        EXPECT_EQ(Applied().c_cflag & (PARENB | PARODD | CMSPAR), c.flags);
        EXPECT_EQ(link->parityName, c.text);
    }
}

TEST_F(PrinterLinkSerialSettingsTest, XonXoffFlowSetsSoftwareFlowAndLeavesDsrOff)
{
    script.applyState = false;
    platform::Dcb port{};
    port.flags = 0;
    port.XonChar = 0x11;
    port.XoffChar = 0x13;
    port.XonLim = 2048;
    port.XoffLim = 512;
    script.portState = port;
    link->flowControl = "Xon/Xoff";
    ASSERT_EQ(link->Open("COM3"), 1);
    EXPECT_EQ(link->ConfigureSerial("COM3", 19200, "NONE", 8, 1), 1);
    const platform::Dcb &dcb = *script.appliedState;
    EXPECT_EQ(dcb.flags, 0x1393u);
    EXPECT_EQ(dcb.XonLim, 2048);
    EXPECT_EQ(dcb.XoffLim, 512);
    platform::ModemLineRequest lines;
    lines.dtrOn = false;
    lines.rtsOn = false;
    termios t = Applied(&lines);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_TRUE(lines.dtrOn);
    EXPECT_TRUE(lines.rtsOn);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
}

TEST_F(PrinterLinkSerialSettingsTest, AnyOtherFlowTextMeansDsrFlow)
{
    script.applyState = false;
    platform::Dcb port{};
    port.flags = 0xFFFFFFFFu;
    port.StopBits = platform::Dcb::kStopBitsOne;
    script.portState = port;
    link->flowControl = "NULL";
    ASSERT_EQ(link->Open("COM3"), 1);
    EXPECT_EQ(link->ConfigureSerial("COM3", 9600, "NONE", 8, 2), 1);
    // Bits outside the rule stay as read; DTR and RTS end up "enable".
    EXPECT_EQ(script.appliedState->flags, 0xFFFF909Bu);
    EXPECT_TRUE(script.appliedState->flags & platform::Dcb::kDsrOutputFlow);
    EXPECT_EQ(platform::SerialSettings::DtrControl(*script.appliedState), 1u);
    EXPECT_EQ(platform::SerialSettings::RtsControl(*script.appliedState), 1u);
    termios t = Applied();
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
}

TEST_F(PrinterLinkSerialSettingsTest, StopBitsThreeLeaveThePortsSettingAndDataBitsPassUnchanged)
{
    script.applyState = false;
    platform::Dcb port{};
    port.StopBits = platform::Dcb::kStopBitsOneAndHalf;
    script.portState = port;
    ASSERT_EQ(link->Open("COM3"), 1);
    EXPECT_EQ(link->ConfigureSerial("COM3", 4800, "NONE", 7, 3), 1);
    EXPECT_EQ(script.appliedState->StopBits, platform::Dcb::kStopBitsOneAndHalf);
    EXPECT_EQ(script.appliedState->ByteSize, 7);
    EXPECT_EQ(script.appliedState->BaudRate, 4800u);
    EXPECT_EQ(Applied().c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(link->ConfigureSerial("COM3", 4800, "NONE", 8, 1), 1);
    EXPECT_EQ(script.appliedState->StopBits, platform::Dcb::kStopBitsOne);
}

TEST_F(PrinterLinkSerialSettingsTest, PseudoTerminalWithoutModemLinesStillConfigures)
{
    ASSERT_EQ(link->Open("COM3"), 1);
    EXPECT_EQ(link->ConfigureSerial("COM3", 9600, "NONE", 8, 1), 1);
    link->Close();
    EXPECT_EQ(link->ConfigureSerial("COM3", 9600, "NONE", 8, 1), 0);
}

TEST_F(PrinterLinkSerialTest, ShortWritesAreCompletedWithTheRest)
{
    OpenAndConfigure();
    script.writeLimits = {4, 3, 100};
    Bytes data(10);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(0xA0 + i);
    }
    EXPECT_EQ(link->Send(data.data(), static_cast<uint32_t>(data.size())), 1);
    EXPECT_EQ(script.writeRequests, (std::vector<std::size_t>{10, 6, 3}));
    EXPECT_EQ(pty.ReadMaster(1000ms, data.size()), data);
}

TEST_F(PrinterLinkSerialTest, AWriteThatMovesNothingFailsTheSend)
{
    OpenAndConfigure();
    script.writeLimits = {2, 0};
    EXPECT_EQ(link->Send({1, 2, 3, 4, 5}), 0);
    EXPECT_EQ(script.writeRequests, (std::vector<std::size_t>{5, 3}));
    EXPECT_EQ(pty.ReadMaster(500ms, 2), (Bytes{1, 2}));
}

TEST_F(PrinterLinkSerialTest, AFailedWriteThatMovedBytesDoesNotEndTheLoop)
{
    OpenAndConfigure();
    script.writeLimits = {2};
    script.writeFails = {true};
    EXPECT_EQ(link->Send({1, 2, 3, 4, 5}), 1);
    EXPECT_EQ(script.writeRequests, (std::vector<std::size_t>{5, 3}));
    EXPECT_EQ(pty.ReadMaster(1000ms, 5), (Bytes{1, 2, 3, 4, 5}));
}
