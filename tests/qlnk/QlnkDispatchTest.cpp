// Every export with every port type: result codes, return values, handle fields, last error.
#include "QlnkTestSupport.h"

#include "tests/support/PtyPair.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <thread>

using namespace qlnk_test;

namespace {

const uint32_t kUnsupportedTypes[] = {0x2004u, 0x200Au, 0u};
const uint32_t kNetworkTypes[] = {QLNK_PORT_TCP_RAW, QLNK_PORT_UDP_RAW, QLNK_PORT_TCP_LPR};
const uint32_t kDeviceTypes[] = {QLNK_PORT_USB_PRINTER, QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE,
                                 QLNK_PORT_SERIAL, QLNK_PORT_PARALLEL};

// A UDP socket a caller still has open when the process ends.
int32_t udpOpenAtExit = -1;

void CloseUdpAtExit()
{
    int32_t status = 0;
    const int32_t returned = QLNK_CloseComm(&udpOpenAtExit, QLNK_PORT_UDP_RAW, &status);
    _exit(returned == 1 && status == QLNK_OK && udpOpenAtExit == -1 ? 0 : 3);
}

// The close of a copy of the library loaded after the exit handler below was set up.
QLNK_CloseCommFn laterLoadedClose = nullptr;
int32_t parallelOpenAtExit = -1;

void CloseParallelAtExit()
{
    int32_t status = 0;
    const int32_t returned = laterLoadedClose(&parallelOpenAtExit, QLNK_PORT_PARALLEL, &status);
    _exit(returned == 1 && status == QLNK_OK && parallelOpenAtExit == -1 ? 0 : 3);
}

}  // namespace

// ctest runs each case in a process of its own, so this is the library's first call.
TEST(QlnkLastError, NothingRecordedBeforeAnyCallAndAfterEachRead)
{
    int32_t value = 0;
    EXPECT_EQ(QLNK_GetLastError(&value), 1);
    EXPECT_EQ(value, QLNK_NO_ERROR_RECORDED);
    value = 0;
    EXPECT_EQ(QLNK_GetLastError(&value), 1);
    EXPECT_EQ(value, QLNK_NO_ERROR_RECORDED);
}

TEST(QlnkLastError, ReadingGivesTheFailureOnceThenResets)
{
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_RAW, kLoopback, ClosedPort(), 5000);
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_TIMEOUT);
    EXPECT_EQ(TakeLastError(), ECONNREFUSED);
    EXPECT_EQ(TakeLastError(), QLNK_NO_ERROR_RECORDED);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status), QLNK_OK);
}

// A failure recorded while another thread reads is seen by exactly one of that read and the
// next one: the read and the reset are one step.
TEST(QlnkLastError, FailureRecordedDuringAReadIsNeverLost)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    platform::FileDescriptor readEnd(fds[0]);
    platform::FileDescriptor writeEnd(fds[1]);
    TakeLastError();

    // Both threads spin rather than sleep between rounds, so that each round really overlaps.
    constexpr int kRounds = 40000;
    std::atomic<int> go{-1};
    std::atomic<int> finished{-1};
    std::thread failing([&] {
        for (int i = 0; i < kRounds; ++i) {
            for (unsigned spin = 1; go.load() != i; ++spin) {
                if (spin % 4096 == 0) {
                    std::this_thread::yield();  // the other thread may have no core of its own
                }
            }
            // Shutting down a pipe fails with ENOTSOCK and leaves it open.
            int32_t handle = fds[0];
            int32_t status = 0;
            QLNK_CloseComm(&handle, QLNK_PORT_TCP_RAW, &status);
            finished.store(i);
        }
    });
    int lost = 0;
    int seenTwice = 0;
    for (int i = 0; i < kRounds; ++i) {
        go.store(i);
        // Sweep the read across the other thread's store.
        for (int spin = 0; spin < (i * 7) % 2000; ++spin) {
            std::atomic_signal_fence(std::memory_order_seq_cst);
        }
        int32_t during = 0;
        QLNK_GetLastError(&during);
        for (unsigned spin = 1; finished.load() != i; ++spin) {
            if (spin % 4096 == 0) {
                std::this_thread::yield();
            }
        }
        int32_t after = 0;
        QLNK_GetLastError(&after);
        const int seen = (during == ENOTSOCK) + (after == ENOTSOCK);
        lost += seen == 0;
        seenTwice += seen == 2;
    }
    failing.join();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(seenTwice, 0);
}

// A caller may close its ports from an exit handler or a static object's destructor; when that
// was set up before the library's first UDP open, it runs after the library's own objects are
// gone at the end of the process.
TEST(QlnkDispatchDeathTest, UdpSocketCanBeClosedFromAnExitHandler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(CloseUdpAtExit);
            int32_t status = 0;
            auto udp = NetContext(QLNK_PORT_UDP_RAW, kLoopback, 9, 0);
            if (QLNK_Open(&udp, &status) != 1) {
                _exit(2);
            }
            udpOpenAtExit = udp.netSocket;
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

// A library loaded by name after the caller set up its exit handler has its objects destroyed
// before that handler runs.
TEST(QlnkDispatchDeathTest, ParallelPortCanBeClosedFromAnExitHandlerSetUpBeforeTheLoad)
{
    Dl_info loaded{};
    ASSERT_NE(dladdr(reinterpret_cast<void *>(&QLNK_Open), &loaded), 0);
    testing_support::TempDir dir;
    // A copy under another name is loaded anew, with objects of its own.
    const std::string copy = dir.file("libqlnk-copy.so");
    testing_support::TempDir::Write(copy, testing_support::TempDir::Read(loaded.dli_fname));
    testing_support::TempDir::Write(dir.file("parport"), "");
    const std::string nodePath = dir.file("parport");
    const std::wstring node(nodePath.begin(), nodePath.end());
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            std::atexit(CloseParallelAtExit);
            void *library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (library == nullptr) {
                _exit(2);
            }
            laterLoadedClose = reinterpret_cast<QLNK_CloseCommFn>(dlsym(library, "QLNK_CloseComm"));
            auto laterLoadedOpen = reinterpret_cast<QLNK_OpenFn>(dlsym(library, "QLNK_Open"));
            // A plain file stands in for the device node; the unknown mode leaves it open.
            QLNK_CommContext port{};
            port.portType = QLNK_PORT_PARALLEL;
            port.parallelPortName = node.c_str();
            port.parallelMode = 0x2104;
            int32_t status = 0;
            if (laterLoadedClose == nullptr || laterLoadedOpen == nullptr || laterLoadedOpen(&port, &status) != 0 ||
                status != QLNK_E_PARAM || port.parallelHandle < 0) {
                _exit(2);
            }
            parallelOpenAtExit = port.parallelHandle;
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(QlnkDispatch, UnsupportedPortTypesAreRejectedByEveryCall)
{
    for (uint32_t type : kUnsupportedTypes) {
        SCOPED_TRACE(type);
        int32_t status = 0;
        QLNK_CommContext context{};
        context.portType = type;
        EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_PARAM);
        // Nothing was opened or cleared.
        EXPECT_EQ(context.serialHandle, 0);
        EXPECT_EQ(context.parallelHandle, 0);
        EXPECT_EQ(context.usbHandle, 0);
        EXPECT_EQ(context.netSocket, 0);

        int32_t handle = 5;
        uint8_t bytes[4] = {1, 2, 3, 4};
        uint32_t count = 77;
        EXPECT_QLNK(QLNK_SendData(&handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_PARAM);
        EXPECT_EQ(count, 0u);
        count = 77;
        EXPECT_QLNK(QLNK_RecvData(&handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_PARAM);
        EXPECT_EQ(count, 0u);
        EXPECT_QLNK(QLNK_CloseComm(&handle, type, &status), QLNK_E_PARAM);
        EXPECT_EQ(handle, 5);
    }
    // A rejected call is no platform failure.
    EXPECT_EQ(TakeLastError(), QLNK_NO_ERROR_RECORDED);
}

TEST(QlnkDispatch, ClosedHandleGivesSocketOrOpenCode)
{
    uint8_t bytes[8] = {};
    for (uint32_t type : kNetworkTypes) {
        SCOPED_TRACE(type);
        int32_t status = 0;
        int32_t handle = -1;
        uint32_t count = 9;
        EXPECT_QLNK(QLNK_SendData(&handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_SOCKET);
        EXPECT_EQ(count, 0u);
        // LPR has no receive at all.
        EXPECT_QLNK(QLNK_RecvData(&handle, bytes, sizeof bytes, &count, type, 100, &status),
                    type == QLNK_PORT_TCP_LPR ? QLNK_E_PARAM : QLNK_E_SOCKET);
        EXPECT_QLNK(QLNK_CloseComm(&handle, type, &status), QLNK_E_SOCKET);
        EXPECT_EQ(handle, -1);
    }
    for (uint32_t type : kDeviceTypes) {
        SCOPED_TRACE(type);
        int32_t status = 0;
        int32_t handle = -1;
        uint32_t count = 9;
        EXPECT_QLNK(QLNK_SendData(&handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_OPEN);
        EXPECT_EQ(count, 0u);
        // The HID output-report port has no receive at all.
        EXPECT_QLNK(QLNK_RecvData(&handle, bytes, sizeof bytes, &count, type, 100, &status),
                    type == QLNK_PORT_USB_HID_OUTPUT ? QLNK_E_PARAM : QLNK_E_OPEN);
        EXPECT_QLNK(QLNK_CloseComm(&handle, type, &status), QLNK_E_OPEN);
        EXPECT_EQ(handle, -1);
    }
    EXPECT_EQ(TakeLastError(), QLNK_NO_ERROR_RECORDED);
}

// The real device search, on whatever this machine has: ids beyond 16 bits match no device.
TEST(QlnkDispatch, UsbSearchForIdsNoDeviceHas)
{
    for (uint32_t type : {QLNK_PORT_USB_PRINTER, QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE}) {
        SCOPED_TRACE(type);
        int32_t status = 0;
        QLNK_CommContext context{};
        context.portType = type;
        context.usbHandle = 7;
        context.usbVendorId = 0x11a2b;
        context.usbProductId = 0x10001;
        EXPECT_EQ(QLNK_Open(&context, &status), 0);
        if (type == QLNK_PORT_USB_PRINTER) {
            // No printer-class device at all, or none with the ids; the field is left alone.
            EXPECT_TRUE(status == QLNK_E_NO_DEVICE || status == QLNK_E_NO_MATCH) << status;
            EXPECT_EQ(TakeLastError(), ENODEV);
            EXPECT_EQ(context.usbHandle, 7);
        } else {
            // The HID search finds nothing, which is no failure; the open of nothing is.
            EXPECT_EQ(status, QLNK_E_OPEN);
            EXPECT_EQ(TakeLastError(), ENOENT);
            EXPECT_EQ(context.usbHandle, -1);
        }
    }
}

// A USB handle field holding a descriptor the library did not open as a USB device (a zeroed
// context's 0, a pipe of the caller's) is neither used nor closed.
TEST(QlnkDispatch, UsbHandlesItDidNotOpenAreNeverClosedOrUsed)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    platform::FileDescriptor readEnd(fds[0]);
    platform::FileDescriptor writeEnd(fds[1]);
    for (uint32_t type : {QLNK_PORT_USB_PRINTER, QLNK_PORT_USB_HID_OUTPUT, QLNK_PORT_USB_HID_FEATURE}) {
        SCOPED_TRACE(type);
        int32_t status = 0;
        QLNK_CommContext context{};
        context.portType = type;
        context.usbVendorId = 0x11a2b;
        EXPECT_EQ(QLNK_Open(&context, &status), 0);
        TakeLastError();
        if (type == QLNK_PORT_USB_PRINTER) {
            EXPECT_QLNK(QLNK_CloseComm(&context.usbHandle, type, &status), QLNK_E_PARAM);
            EXPECT_EQ(context.usbHandle, 0);
            EXPECT_EQ(TakeLastError(), EBADF);
        }

        int32_t handle = fds[1];
        uint8_t bytes[2] = {0x1B, 0x40};
        uint32_t count = 9;
        EXPECT_QLNK(QLNK_SendData(&handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_PARAM);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(TakeLastError(), EBADF);
        EXPECT_QLNK(QLNK_CloseComm(&handle, type, &status), QLNK_E_PARAM);
        EXPECT_EQ(TakeLastError(), EBADF);
        EXPECT_EQ(handle, fds[1]);
        // The descriptor is still its owner's, and nothing went through it.
        EXPECT_NE(fcntl(fds[1], F_GETFD), -1);
        ASSERT_EQ(write(fds[1], "k", 1), 1);
        char back[4] = {};
        ASSERT_EQ(read(fds[0], back, sizeof back), 1);
        EXPECT_EQ(back[0], 'k');
    }
}

TEST(QlnkDispatch, ReceiveOnLprSocketIsRejectedAndTransfersNothing)
{
    uint16_t port = 0;
    auto listener = BoundSocket(SOCK_STREAM, kLoopback, &port);
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_LPR, kLoopback, port, 2000);
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_OK);
    auto peer = AcceptWithin(listener.get(), milliseconds(2000));
    ASSERT_TRUE(peer.valid());
    ASSERT_EQ(send(peer.get(), "xyz", 3, 0), 3);

    uint8_t buffer[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    uint32_t count = 5;
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_LPR, 200, &status),
                QLNK_E_PARAM);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(buffer[0], 0xAA);
    // The bytes are still waiting for a raw receive.
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 1000, &status),
                QLNK_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_LPR, &status), QLNK_OK);
}

TEST(QlnkDispatch, SecondCloseOfTheSameContextFindsItClosed)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    const std::wstring name(pty.slavePath().begin(), pty.slavePath().end());
    int32_t status = 0;
    QLNK_CommContext serial{};
    serial.portType = QLNK_PORT_SERIAL;
    serial.serialPortName = name.c_str();
    serial.serialDcb.DCBlength = sizeof(QLNK_DCB);
    serial.serialDcb.BaudRate = 9600;
    serial.serialDcb.ByteSize = 8;
    serial.serialDcb.flags = QLNK_DCB_BINARY;
    EXPECT_QLNK(QLNK_Open(&serial, &status), QLNK_OK);
    EXPECT_QLNK(QLNK_CloseComm(&serial.serialHandle, QLNK_PORT_SERIAL, &status), QLNK_OK);
    EXPECT_EQ(serial.serialHandle, -1);
    EXPECT_QLNK(QLNK_CloseComm(&serial.serialHandle, QLNK_PORT_SERIAL, &status), QLNK_E_OPEN);

    auto udp = NetContext(QLNK_PORT_UDP_RAW, kLoopback, 9, 0);
    EXPECT_QLNK(QLNK_Open(&udp, &status), QLNK_OK);
    EXPECT_QLNK(QLNK_CloseComm(&udp.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
    EXPECT_EQ(udp.netSocket, -1);
    EXPECT_QLNK(QLNK_CloseComm(&udp.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_E_SOCKET);
}

TEST(QlnkDispatch, FailedCloseLeavesTheHandleAndRecordsTheError)
{
    // A descriptor that is not a socket cannot be shut down.
    platform::FileDescriptor pipeEnds[2];
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pipeEnds[0].reset(fds[0]);
    pipeEnds[1].reset(fds[1]);
    int32_t handle = fds[0];
    int32_t status = 0;
    EXPECT_QLNK(QLNK_CloseComm(&handle, QLNK_PORT_TCP_RAW, &status), QLNK_E_SYSTEM);
    EXPECT_EQ(handle, fds[0]);
    EXPECT_EQ(TakeLastError(), ENOTSOCK);
}

// The kernel's own calls: a second open of a parallel port that is held is refused at once
// (a plain file stands in for the device node; the unknown mode stops before any ppdev call).
TEST(QlnkDispatch, ParallelPortHeldByAnotherOpenIsRefused)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("parport"), "");
    const std::string path = dir.file("parport");
    const std::wstring name(path.begin(), path.end());
    int32_t status = 0;
    QLNK_CommContext first{};
    first.portType = QLNK_PORT_PARALLEL;
    first.parallelPortName = name.c_str();
    first.parallelMode = 0x2104;
    EXPECT_QLNK(QLNK_Open(&first, &status), QLNK_E_PARAM);
    ASSERT_GE(first.parallelHandle, 0);

    QLNK_CommContext second = first;
    second.parallelHandle = 0;
    EXPECT_QLNK(QLNK_Open(&second, &status), QLNK_E_OPEN);
    EXPECT_EQ(second.parallelHandle, -1);
    EXPECT_EQ(TakeLastError(), EBUSY);

    // Free again once the holder closes.
    EXPECT_QLNK(QLNK_CloseComm(&first.parallelHandle, QLNK_PORT_PARALLEL, &status), QLNK_OK);
    EXPECT_QLNK(QLNK_Open(&second, &status), QLNK_E_PARAM);
    ASSERT_GE(second.parallelHandle, 0);
    EXPECT_QLNK(QLNK_CloseComm(&second.parallelHandle, QLNK_PORT_PARALLEL, &status), QLNK_OK);
}

TEST(QlnkDispatch, MissingDevicesGiveOpenCodeWithTheReason)
{
    int32_t status = 0;
    QLNK_CommContext context{};
    context.portType = QLNK_PORT_SERIAL;
    context.serialPortName = L"/nonexistent-rollvane-port/ttyX";
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_OPEN);
    EXPECT_EQ(context.serialHandle, -1);
    EXPECT_EQ(TakeLastError(), ENOENT);

    context.portType = QLNK_PORT_PARALLEL;
    context.parallelPortName = L"/nonexistent-rollvane-port/parport9";
    context.parallelMode = QLNK_PAR_NIBBLE;
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_OPEN);
    EXPECT_EQ(context.parallelHandle, -1);
    EXPECT_EQ(TakeLastError(), ENOENT);
}

// A serial or parallel handle the library did not open, the 0 of a zero-filled record among
// them, is refused by every call: nothing is read, written or closed.
TEST(QlnkDispatch, DeviceHandlesTheLibraryDidNotOpenAreNeitherUsedNorClosed)
{
    if (fcntl(0, F_GETFD) == -1) {
        ASSERT_EQ(open("/dev/null", O_RDONLY), 0);
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    platform::FileDescriptor readEnd(fds[0]);
    platform::FileDescriptor writeEnd(fds[1]);
    ASSERT_EQ(write(fds[1], "k", 1), 1);
    for (uint32_t type : {QLNK_PORT_SERIAL, QLNK_PORT_PARALLEL}) {
        for (int32_t given : {0, fds[0], fds[1]}) {
            SCOPED_TRACE(testing::Message() << type << " handle " << given);
            QLNK_CommContext context{};
            context.portType = type;
            int32_t *handle = type == QLNK_PORT_SERIAL ? &context.serialHandle : &context.parallelHandle;
            *handle = given;
            int32_t status = 0;
            uint8_t bytes[2] = {0x1B, 0x40};
            uint32_t count = 9;
            EXPECT_QLNK(QLNK_SendData(handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_PARAM);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(TakeLastError(), EBADF);
            count = 9;
            EXPECT_QLNK(QLNK_RecvData(handle, bytes, sizeof bytes, &count, type, 100, &status), QLNK_E_PARAM);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(TakeLastError(), EBADF);
            EXPECT_QLNK(QLNK_CloseComm(handle, type, &status), QLNK_E_PARAM);
            EXPECT_EQ(*handle, given);
            EXPECT_EQ(TakeLastError(), EBADF);
            EXPECT_NE(fcntl(given, F_GETFD), -1);
        }
    }
    // Only the test's own byte went through the pipe, and it is still there.
    char back[4] = {};
    EXPECT_EQ(read(fds[0], back, sizeof back), 1);
    EXPECT_EQ(back[0], 'k');
}
