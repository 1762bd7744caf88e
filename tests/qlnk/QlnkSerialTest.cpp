// The serial transport over real pseudo-terminals (8 data bits, no parity: what a pty keeps).
#include "QlnkTestSupport.h"

#include "tests/support/PtyPair.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

using namespace qlnk_test;

namespace {

struct SerialLink {
    testing_support::PtyPair pty;
    std::wstring name;
    QLNK_CommContext context{};
};

void FillContext(SerialLink *link)
{
    ASSERT_TRUE(link->pty.valid());
    link->name.assign(link->pty.slavePath().begin(), link->pty.slavePath().end());
    link->context.portType = QLNK_PORT_SERIAL;
    link->context.serialPortName = link->name.c_str();
    QLNK_DCB &dcb = link->context.serialDcb;
    dcb.DCBlength = sizeof(QLNK_DCB);
    dcb.BaudRate = 115200;
    dcb.flags = QLNK_DCB_BINARY | (1u << QLNK_DCB_DTR_CONTROL_SHIFT) | (1u << QLNK_DCB_RTS_CONTROL_SHIFT);
    dcb.ByteSize = 8;
    dcb.Parity = QLNK_PARITY_NONE;
    dcb.StopBits = QLNK_STOPBITS_ONE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
}

void OpenSerial(SerialLink *link)
{
    ASSERT_NO_FATAL_FAILURE(FillContext(link));
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&link->context, &status), QLNK_OK);
    ASSERT_GE(link->context.serialHandle, 0);
}

void CloseSerial(SerialLink *link)
{
    int32_t status = 0;
    EXPECT_QLNK(QLNK_CloseComm(&link->context.serialHandle, QLNK_PORT_SERIAL, &status), QLNK_OK);
    EXPECT_EQ(link->context.serialHandle, -1);
}

}  // namespace

TEST(QlnkSerial, OpenLeavesTheOpensErrorValueZero)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&link));
    EXPECT_EQ(TakeLastError(), 0);
    CloseSerial(&link);
}

TEST(QlnkSerial, BytesPassIntactBothWays)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&link));
    const auto out = AllByteValues(2);
    uint32_t sent = 0;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.serialHandle, out.data(), uint32_t(out.size()), &sent, QLNK_PORT_SERIAL,
                              1000, &status),
                QLNK_OK);
    EXPECT_EQ(sent, out.size());
    EXPECT_EQ(link.pty.ReadMaster(milliseconds(2000), out.size()), out);

    const auto back = AllByteValues(1);
    link.pty.WriteMaster(back);
    EXPECT_EQ(ReceiveUpTo(&link.context.serialHandle, QLNK_PORT_SERIAL, back.size()), back);
    CloseSerial(&link);
}

TEST(QlnkSerial, ReceiveWithNothingArrivingTimesOutWithCountZero)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&link));
    uint8_t buffer[16];
    uint32_t count = 5;
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(
        QLNK_RecvData(&link.context.serialHandle, buffer, sizeof buffer, &count, QLNK_PORT_SERIAL, 300, &status),
        QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(TakeLastError(), ETIMEDOUT);
    CloseSerial(&link);
}

TEST(QlnkSerial, OneWaitingByteIsReturnedAtOnce)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&link));
    link.pty.WriteMaster({0x12});
    uint8_t buffer[64];
    uint32_t count = 0;
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(
        QLNK_RecvData(&link.context.serialHandle, buffer, sizeof buffer, &count, QLNK_PORT_SERIAL, 30000, &status),
        QLNK_OK);
    // Well before the call's time-out: one byte is enough.
    EXPECT_LT(MsSince(start), 10000);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(buffer[0], 0x12);
    CloseSerial(&link);
}

TEST(QlnkSerial, RefusedSettingGivesParamAndLeavesThePortOpen)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(FillContext(&link));
    link.context.serialDcb.ByteSize = 9;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&link.context, &status), QLNK_E_PARAM);
    EXPECT_EQ(TakeLastError(), EINVAL);
    ASSERT_GE(link.context.serialHandle, 0);
    // Still open, and still the library's: it can be used and closed.
    uint32_t sent = 0;
    const uint8_t byte = 0x41;
    EXPECT_QLNK(QLNK_SendData(&link.context.serialHandle, &byte, 1, &sent, QLNK_PORT_SERIAL, 500, &status), QLNK_OK);
    CloseSerial(&link);
}

TEST(QlnkSerial, PortHeldByAnotherOpenIsRefused)
{
    SerialLink first;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&first));
    QLNK_CommContext second = first.context;
    second.serialHandle = 0;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&second, &status), QLNK_E_OPEN);
    EXPECT_EQ(second.serialHandle, -1);
    EXPECT_EQ(TakeLastError(), EBUSY);
    CloseSerial(&first);
}

TEST(QlnkSerial, SendWithNothingToSendIsATimeout)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(OpenSerial(&link));
    uint32_t sent = 9;
    int32_t status = 0;
    const uint8_t none = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.serialHandle, &none, 0, &sent, QLNK_PORT_SERIAL, 100, &status),
                QLNK_E_TIMEOUT);
    EXPECT_EQ(sent, 0u);
    CloseSerial(&link);
}

// A printer that holds the flow off (XOFF) for longer than the write may take: nothing is
// written and the send is a time-out; once it lets go (XON) the same send goes through.
TEST(QlnkSerial, SendHeldOffByThePeerTimesOut)
{
    SerialLink link;
    ASSERT_NO_FATAL_FAILURE(FillContext(&link));
    link.context.serialDcb.flags |= QLNK_DCB_XONXOFF_OUTPUT;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&link.context, &status), QLNK_OK);
    ASSERT_GE(link.context.serialHandle, 0);
    link.pty.WriteMaster({0x13});
    // The line discipline takes the XOFF in on its own time.
    std::this_thread::sleep_for(milliseconds(200));

    const uint8_t byte = 0x41;
    uint32_t sent = 9;
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_SendData(&link.context.serialHandle, &byte, 1, &sent, QLNK_PORT_SERIAL, 100, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(sent, 0u);
    EXPECT_TRUE(link.pty.ReadMaster(milliseconds(100)).empty());

    link.pty.WriteMaster({0x11});
    EXPECT_QLNK(QLNK_SendData(&link.context.serialHandle, &byte, 1, &sent, QLNK_PORT_SERIAL, 1000, &status), QLNK_OK);
    EXPECT_EQ(sent, 1u);
    EXPECT_EQ(link.pty.ReadMaster(milliseconds(2000), 1), std::vector<uint8_t>{0x41});
    CloseSerial(&link);
}

// A port name that is no terminal is refused before a byte can reach it, and leaves no handle.
TEST(QlnkSerial, WhatIsNotATerminalIsRefusedAndLeftAlone)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("port.txt"), "keep");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    // The FIFO held open both ways: whatever the library wrote would wait here to be read.
    platform::FileDescriptor fifo(open(dir.file("fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(fifo.valid());
    for (const std::string &path : {dir.file("port.txt"), dir.file("fifo"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        const std::wstring name(path.begin(), path.end());
        QLNK_CommContext context{};
        context.portType = QLNK_PORT_SERIAL;
        context.serialPortName = name.c_str();
        context.serialDcb.DCBlength = sizeof(QLNK_DCB);
        context.serialDcb.BaudRate = 9600;
        context.serialDcb.ByteSize = 8;
        int32_t status = 0;
        EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_OPEN);
        EXPECT_EQ(context.serialHandle, -1);
        EXPECT_EQ(TakeLastError(), ENOTTY);
        const uint8_t bytes[] = {'s', 'e', 'n', 't'};
        uint32_t sent = 9;
        EXPECT_QLNK(QLNK_SendData(&context.serialHandle, bytes, sizeof bytes, &sent, QLNK_PORT_SERIAL, 100, &status),
                    QLNK_E_OPEN);
        EXPECT_EQ(sent, 0u);
    }
    EXPECT_EQ(testing_support::TempDir::Read(dir.file("port.txt")), "keep");
    char byte = 0;
    EXPECT_EQ(read(fifo.get(), &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);
}
