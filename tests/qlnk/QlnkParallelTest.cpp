// The parallel transport with a stand-in for the ppdev calls (this machine has no parallel
// port); everything above those calls, the exported dispatch included, is the real code.
#include <qlnk.h>

#include "transports/CParallelComm.h"
#include "transports/CPpdevCalls.h"

#include "QlnkTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <map>
#include <string>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <vector>

namespace {

using qlnk_test::TakeLastError;

// A ppdev node that records every call and answers PPNEGOT as told per mode.
class FakePpdev final : public CPpdevCalls {
public:
    static constexpr int kFd = 4242;  // never a real descriptor of this process

    int Open(const char *path, int) override
    {
        calls.push_back(std::string("open ") + path);
        if (openError != 0) {
            errno = openError;
            return -1;
        }
        return kFd;
    }
    int Lock(int fd) override
    {
        calls.push_back("lock " + std::to_string(fd));
        if (lockError != 0) {
            errno = lockError;
            return -1;
        }
        return 0;
    }
    int Close(int fd) override
    {
        calls.push_back("close " + std::to_string(fd));
        return 0;
    }
    int Ioctl(int, unsigned long request, void *argument) override
    {
        if (request == PPCLAIM) {
            calls.push_back("claim");
            return 0;
        }
        if (request == PPNEGOT) {
            const int mode = *static_cast<int *>(argument);
            calls.push_back("negotiate " + std::to_string(mode));
            if (auto refusal = negotiateErrors.find(mode); refusal != negotiateErrors.end()) {
                errno = refusal->second;
                return -1;
            }
            return 0;
        }
        if (request == PPSETTIME) {
            const auto *limit = static_cast<timeval *>(argument);
            calls.push_back("settime " + std::to_string(limit->tv_sec) + "." + std::to_string(limit->tv_usec));
            return 0;
        }
        errno = ENOTTY;
        return -1;
    }
    ssize_t Read(int, void *buffer, std::size_t length) override
    {
        calls.push_back("read " + std::to_string(length));
        if (input.empty()) {
            errno = readError;
            return readError == 0 ? 0 : -1;
        }
        const std::size_t n = std::min(length, input.size());
        std::memcpy(buffer, input.data(), n);
        input.erase(input.begin(), input.begin() + long(n));
        return ssize_t(n);
    }
    ssize_t Write(int, const void *data, std::size_t length) override
    {
        calls.push_back("write " + std::to_string(length));
        const std::size_t n = std::min(length, writeRoom);
        const auto *bytes = static_cast<const uint8_t *>(data);
        output.insert(output.end(), bytes, bytes + n);
        if (n == 0) {
            errno = EAGAIN;
            return -1;
        }
        return ssize_t(n);
    }

    std::vector<std::string> calls;
    std::map<int, int> negotiateErrors;
    int openError = 0;
    int lockError = 0;
    int readError = 0;
    std::vector<uint8_t> input;
    std::vector<uint8_t> output;
    std::size_t writeRoom = 1u << 20;
};

class QlnkParallel : public testing::Test {
protected:
    void SetUp() override { CParallelComm::SetCalls(&fake); }
    void TearDown() override { CParallelComm::SetCalls(nullptr); }

    QLNK_CommContext Context(uint32_t mode) const
    {
        QLNK_CommContext result{};
        result.portType = QLNK_PORT_PARALLEL;
        result.parallelPortName = L"LPT1";
        result.parallelMode = mode;
        return result;
    }

    FakePpdev fake;
    int32_t status = 0;
};

std::string Negotiate(int mode)
{
    return "negotiate " + std::to_string(mode);
}

}  // namespace

TEST_F(QlnkParallel, UnknownModeGivesParamAndLeavesTheHandleOpen)
{
    auto port = Context(0x2104);
    EXPECT_EQ(QLNK_Open(&port, &status), 0);
    EXPECT_EQ(status, QLNK_E_PARAM);
    EXPECT_EQ(port.parallelHandle, FakePpdev::kFd);
    // LPT1 is the first parallel port; nothing was negotiated.
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"open /dev/parport0", "lock 4242"}));
    EXPECT_EQ(QLNK_CloseComm(&port.parallelHandle, QLNK_PORT_PARALLEL, &status), 1);
    EXPECT_EQ(port.parallelHandle, -1);
    EXPECT_EQ(fake.calls.back(), "close 4242");
}

TEST_F(QlnkParallel, RefusedNibbleModeReturnsToCompatibilityAndCloses)
{
    fake.negotiateErrors[IEEE1284_MODE_NIBBLE] = ENXIO;
    auto port = Context(QLNK_PAR_NIBBLE);
    EXPECT_EQ(QLNK_Open(&port, &status), 0);
    EXPECT_EQ(status, QLNK_E_PAR_NIBBLE);
    EXPECT_EQ(port.parallelHandle, -1);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"open /dev/parport0", "lock 4242", "claim", Negotiate(IEEE1284_MODE_NIBBLE),
                                        Negotiate(IEEE1284_MODE_COMPAT), "close 4242"}));
    EXPECT_EQ(TakeLastError(), ENXIO);
}

TEST_F(QlnkParallel, EachModeFailsWithItsOwnCode)
{
    const struct {
        uint32_t mode;
        int ppdevMode;
        int32_t failure;
    } modes[] = {
        {QLNK_PAR_NIBBLE, IEEE1284_MODE_NIBBLE, QLNK_E_PAR_NIBBLE},
        {QLNK_PAR_BYTE, IEEE1284_MODE_BYTE, QLNK_E_PAR_BYTE},
        {QLNK_PAR_ECP, IEEE1284_MODE_ECP, QLNK_E_PAR_ECP},
    };
    for (const auto &m : modes) {
        SCOPED_TRACE(m.mode);
        fake.calls.clear();
        fake.negotiateErrors = {{m.ppdevMode, EIO}};
        auto port = Context(m.mode);
        EXPECT_EQ(QLNK_Open(&port, &status), 0);
        EXPECT_EQ(status, m.failure);
        EXPECT_EQ(port.parallelHandle, -1);
        EXPECT_EQ(fake.calls.at(3), Negotiate(m.ppdevMode));
        EXPECT_EQ(fake.calls.at(4), Negotiate(IEEE1284_MODE_COMPAT));
    }
}

TEST_F(QlnkParallel, AcceptedModeKeepsThePortOpen)
{
    for (uint32_t mode : {QLNK_PAR_NIBBLE, QLNK_PAR_BYTE, QLNK_PAR_ECP}) {
        SCOPED_TRACE(mode);
        fake.calls.clear();
        auto port = Context(mode);
        EXPECT_EQ(QLNK_Open(&port, &status), 1);
        EXPECT_EQ(status, QLNK_OK);
        EXPECT_EQ(port.parallelHandle, FakePpdev::kFd);
        EXPECT_EQ(fake.calls.size(), 4u);
        // The open's value is recorded whether or not it failed.
        EXPECT_EQ(TakeLastError(), 0);
        EXPECT_EQ(QLNK_CloseComm(&port.parallelHandle, QLNK_PORT_PARALLEL, &status), 1);
    }
}

TEST_F(QlnkParallel, FailingNegotiateRequestIsASystemErrorWithThePortOpen)
{
    fake.negotiateErrors[IEEE1284_MODE_BYTE] = EFAULT;
    auto port = Context(QLNK_PAR_BYTE);
    EXPECT_EQ(QLNK_Open(&port, &status), 0);
    EXPECT_EQ(status, QLNK_E_SYSTEM);
    EXPECT_EQ(port.parallelHandle, FakePpdev::kFd);
    EXPECT_EQ(TakeLastError(), EFAULT);
}

// A port another open holds is in use: refused at once, never waited for in the claim.
TEST_F(QlnkParallel, PortInUseIsRefusedWithoutClaimingIt)
{
    fake.lockError = EWOULDBLOCK;
    auto port = Context(QLNK_PAR_NIBBLE);
    EXPECT_EQ(QLNK_Open(&port, &status), 0);
    EXPECT_EQ(status, QLNK_E_OPEN);
    EXPECT_EQ(port.parallelHandle, -1);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"open /dev/parport0", "lock 4242", "close 4242"}));
    EXPECT_EQ(TakeLastError(), EBUSY);
}

TEST_F(QlnkParallel, MissingPortGivesOpenCode)
{
    fake.openError = ENOENT;
    auto port = Context(QLNK_PAR_NIBBLE);
    port.parallelPortName = L"LPT3";
    EXPECT_EQ(QLNK_Open(&port, &status), 0);
    EXPECT_EQ(status, QLNK_E_OPEN);
    EXPECT_EQ(port.parallelHandle, -1);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"open /dev/parport2"}));
    EXPECT_EQ(TakeLastError(), ENOENT);
}

TEST_F(QlnkParallel, TransfersAreBoundedByTheCallsTimeout)
{
    auto port = Context(QLNK_PAR_NIBBLE);
    ASSERT_EQ(QLNK_Open(&port, &status), 1);
    int32_t handle = port.parallelHandle;
    fake.calls.clear();
    const uint8_t data[] = {0x1B, 0x40, 0x00, 0xFF};
    uint32_t count = 0;
    EXPECT_EQ(QLNK_SendData(&handle, data, sizeof data, &count, QLNK_PORT_PARALLEL, 1500, &status), 1);
    EXPECT_EQ(status, QLNK_OK);
    EXPECT_EQ(count, sizeof data);
    EXPECT_EQ(fake.output, std::vector<uint8_t>(data, data + sizeof data));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"settime 1.500000", "write 4"}));

    // Nothing taken by the printer within the time-out.
    fake.writeRoom = 0;
    EXPECT_EQ(QLNK_SendData(&handle, data, sizeof data, &count, QLNK_PORT_PARALLEL, 200, &status), 0);
    EXPECT_EQ(status, QLNK_E_TIMEOUT);
    EXPECT_EQ(count, 0u);

    fake.input = {0x12, 0x34};
    uint8_t buffer[16];
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &count, QLNK_PORT_PARALLEL, 200, &status), 1);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(buffer[1], 0x34);
    // Nothing arriving: the read ends with no bytes at the port's time-out.
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &count, QLNK_PORT_PARALLEL, 200, &status), 0);
    EXPECT_EQ(status, QLNK_E_TIMEOUT);
    EXPECT_EQ(count, 0u);
    // A port error is not a time-out.
    fake.readError = EIO;
    EXPECT_EQ(QLNK_RecvData(&handle, buffer, sizeof buffer, &count, QLNK_PORT_PARALLEL, 200, &status), 0);
    EXPECT_EQ(status, QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), EIO);
    EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_PARALLEL, &status), 1);
}

// A descriptor this port never opened reaches no ppdev call: not 0, not the fake's own number.
TEST_F(QlnkParallel, HandlesItDidNotOpenReachNoPpdevCall)
{
    uint8_t bytes[4] = {1, 2, 3, 4};
    uint32_t count = 9;
    for (int32_t handle : {0, int32_t(FakePpdev::kFd)}) {
        SCOPED_TRACE(handle);
        EXPECT_EQ(QLNK_SendData(&handle, bytes, sizeof bytes, &count, QLNK_PORT_PARALLEL, 100, &status), 0);
        EXPECT_EQ(status, QLNK_E_PARAM);
        EXPECT_EQ(QLNK_RecvData(&handle, bytes, sizeof bytes, &count, QLNK_PORT_PARALLEL, 100, &status), 0);
        EXPECT_EQ(status, QLNK_E_PARAM);
        EXPECT_EQ(QLNK_CloseComm(&handle, QLNK_PORT_PARALLEL, &status), 0);
        EXPECT_EQ(status, QLNK_E_PARAM);
        EXPECT_EQ(TakeLastError(), EBADF);
    }
    // Once closed, the fake's number is not the library's any more either.
    auto port = Context(QLNK_PAR_NIBBLE);
    ASSERT_EQ(QLNK_Open(&port, &status), 1);
    int32_t copy = port.parallelHandle;
    EXPECT_EQ(QLNK_CloseComm(&port.parallelHandle, QLNK_PORT_PARALLEL, &status), 1);
    fake.calls.clear();
    EXPECT_EQ(QLNK_CloseComm(&copy, QLNK_PORT_PARALLEL, &status), 0);
    EXPECT_EQ(status, QLNK_E_PARAM);
    EXPECT_TRUE(fake.calls.empty());
}
