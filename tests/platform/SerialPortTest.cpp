#include "platform/SerialPort.h"
#include "tests/support/PtyPair.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using platform::CommTimeouts;
using platform::kMaxTimeout;
using platform::SerialPort;
using testing_support::PtyPair;

namespace {

std::unique_ptr<SerialPort> OpenPort(const PtyPair &pty)
{
    int error = 0;
    auto port = SerialPort::Open(pty.slavePath(), &error);
    EXPECT_NE(port, nullptr) << error;
    return port;
}

platform::Dcb LineSettings()
{
    platform::Dcb dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.flags =
        platform::Dcb::kBinary | (1u << platform::Dcb::kDtrControlShift) | (1u << platform::Dcb::kRtsControlShift);
    return dcb;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(SerialPort, SecondOpenOfAHeldPortFails)
{
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    auto first = OpenPort(pty);
    int error = 0;
    EXPECT_EQ(SerialPort::Open(pty.slavePath(), &error), nullptr);
    EXPECT_EQ(error, EBUSY);
    first.reset();
    EXPECT_NE(SerialPort::Open(pty.slavePath(), &error), nullptr);
}

TEST(SerialPort, ClosingReleasesTheExclusiveModeForOtherUsers)
{
    // The tty stays open through this descriptor, so it would keep the exclusive flag, and
    // locked out every program not run by root, unless the port clears it.
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    platform::FileDescriptor other(::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(other.valid());
    int exclusive = -1;
    {
        auto port = OpenPort(pty);
        ASSERT_EQ(ioctl(other.get(), TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
    }
    ASSERT_EQ(ioctl(other.get(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

// A file named by mistake never receives printer bytes: only a terminal opens.
TEST(SerialPort, OnlyATerminalOpens)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("victim.txt"), "keep me");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const std::string &path : {dir.file("victim.txt"), dir.file("fifo"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        int error = 0;
        EXPECT_EQ(SerialPort::Open(path, &error), nullptr);
        EXPECT_EQ(error, ENOTTY);
    }
    EXPECT_EQ(testing_support::TempDir::Read(dir.file("victim.txt")), "keep me");
}

TEST(SerialPort, MissingDeviceFailsWithItsReason)
{
    int error = 0;
    EXPECT_EQ(SerialPort::Open("/dev/no-such-serial-port", &error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST(SerialPort, SettingsApplyOnAPseudoTerminalWithoutModemLines)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    int error = 0;
    platform::Dcb dcb = LineSettings();
    dcb.BaudRate = 9600;
    dcb.flags |= platform::Dcb::kXonXoffOutput;
    EXPECT_TRUE(port->SetState(dcb, &error)) << error;
    platform::Dcb read{};
    ASSERT_TRUE(port->GetState(&read, &error));
    EXPECT_EQ(read.BaudRate, 9600u);
    EXPECT_EQ(read.ByteSize, 8);
    EXPECT_TRUE(read.flags & platform::Dcb::kXonXoffOutput);
    EXPECT_TRUE(port->dsrOn());
}

TEST(SerialPort, BytesPassBothWaysIntact)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    int error = 0;
    ASSERT_TRUE(port->SetState(LineSettings(), &error));
    port->SetTimeouts({kMaxTimeout, kMaxTimeout, 1000, 250, 10000});
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<uint8_t>(i);
    }
    std::size_t written = 0;
    ASSERT_TRUE(port->Write(all.data(), all.size(), &written, &error));
    EXPECT_EQ(written, 256u);
    EXPECT_EQ(pty.ReadMaster(2s, 256), all);

    pty.WriteMaster({0x1B, 0x00, 0xFF});
    uint8_t buffer[8] = {};
    std::size_t received = 0;
    ASSERT_TRUE(port->Read(buffer, 3, &received, &error));
    // "What is there" may come in pieces; a second read collects the rest.
    while (received < 3) {
        std::size_t more = 0;
        ASSERT_TRUE(port->Read(buffer + received, 3 - received, &more, &error));
        ASSERT_GT(more, 0u);
        received += more;
    }
    EXPECT_EQ(buffer[0], 0x1B);
    EXPECT_EQ(buffer[1], 0x00);
    EXPECT_EQ(buffer[2], 0xFF);
}

TEST(SerialPort, ReadWithNothingArrivingGivesUpAfterTheConstant)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    port->SetTimeouts({kMaxTimeout, kMaxTimeout, 200, 0, 0});
    uint8_t byte = 0;
    std::size_t received = 99;
    int error = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Read(&byte, 1, &received, &error));
    EXPECT_EQ(received, 0u);
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.19);
    EXPECT_LT(took, 5.0);
}

TEST(SerialPort, ReadReturnsWhatIsThereWithoutWaitingForTheRest)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    port->SetTimeouts({kMaxTimeout, kMaxTimeout, 30000, 0, 0});
    pty.WriteMaster({0x42});
    std::this_thread::sleep_for(50ms);
    uint8_t buffer[4] = {};
    std::size_t received = 0;
    int error = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port->Read(buffer, 4, &received, &error));
    EXPECT_EQ(received, 1u);
    EXPECT_EQ(buffer[0], 0x42);
    EXPECT_LT(SecondsSince(start), 5.0);
}

TEST(SerialPort, TotalReadLimitCollectsUntilItRunsOut)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    port->SetTimeouts({0, 0, 300, 0, 0});
    pty.WriteMaster({1, 2});
    uint8_t buffer[4] = {};
    std::size_t received = 0;
    int error = 0;
    ASSERT_TRUE(port->Read(buffer, 4, &received, &error));
    EXPECT_EQ(received, 2u);
}

TEST(SerialPort, PurgeDiscardsUnreadInput)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    pty.WriteMaster({7, 7, 7});
    std::this_thread::sleep_for(50ms);
    int error = 0;
    EXPECT_TRUE(port->PurgeReceive(&error));
    port->SetTimeouts({kMaxTimeout, kMaxTimeout, 100, 0, 0});
    uint8_t byte = 0;
    std::size_t received = 0;
    EXPECT_TRUE(port->Read(&byte, 1, &received, &error));
    EXPECT_EQ(received, 0u);
}

TEST(SerialPort, WriteHeldByXoffStopsAtTheWriteLimit)
{
    PtyPair pty;
    auto port = OpenPort(pty);
    int error = 0;
    platform::Dcb dcb = LineSettings();
    dcb.flags |= platform::Dcb::kXonXoffOutput;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    ASSERT_TRUE(port->SetState(dcb, &error));
    pty.WriteMaster({0x13});  // XOFF: the line holds our output
    std::this_thread::sleep_for(50ms);
    port->SetTimeouts({kMaxTimeout, kMaxTimeout, 0, 0, 300});
    std::vector<uint8_t> block(256 * 1024, 0x55);
    std::size_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->Write(block.data(), block.size(), &written, &error));
    EXPECT_LT(written, block.size());
    EXPECT_LT(SecondsSince(start), 5.0);
}

namespace {

// The tty as a real port would answer: bytes still in the output queue (a pty has none to
// report), DSR and the flush of the queue, each played by the test.
class PlayedTty final : public platform::TtyLineControl {
public:
    int outputQueued(int) const override { return queued; }
    bool dsrOn(int) const override { return ++dsrLooks <= dsrOnLooks; }
    void FlushOutput(int) const override { flushed = queued.exchange(0); }

    mutable std::atomic<int> queued{0};
    mutable std::atomic<int> dsrLooks{0};
    mutable std::atomic<int> flushed{-1};
    int dsrOnLooks = 1 << 30;
};

}  // namespace

// A byte is written once it has left the port: the write waits for the output queue, and what
// is still queued when the limit runs out is withdrawn and not counted.
TEST(SerialPort, AWriteIsDoneWhenTheBytesHaveLeftThePort)
{
    const struct {
        const char *name;
        int queuedAfterWrite;
        int drainsAfterMs;  // -1: never; the queue then stays as it is
        int dsrOnLooks;     // DSR flow on: DSR answers "on" this many times, then "off"
        std::size_t written;
        int flushed;  // bytes withdrawn from the queue; -1: no flush
        double atLeastSeconds;
    } cases[] = {
        {"the port sends it all in time", 1000, 100, -1, 1000, -1, 0.1},
        {"a held line sends nothing", 1000, -1, -1, 0, 1000, 0.3},
        {"part leaves before the limit", 40, -1, -1, 960, 40, 0.3},
        {"DSR goes off after the first chunk", 0, -1, 1, 64, -1, 0.3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty;
        auto port = OpenPort(pty);
        PlayedTty tty;
        port->UseLineControl(tty);
        int error = 0;
        platform::Dcb dcb = LineSettings();
        if (c.dsrOnLooks >= 0) {
            dcb.flags |= platform::Dcb::kDsrOutputFlow;
            tty.dsrOnLooks = c.dsrOnLooks;
        }
        ASSERT_TRUE(port->SetState(dcb, &error));
        port->SetTimeouts({kMaxTimeout, kMaxTimeout, 0, 0, 300});
        std::thread line([&] {
            std::this_thread::sleep_for(20ms);
            tty.queued = c.queuedAfterWrite;
            if (c.drainsAfterMs >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(c.drainsAfterMs));
                tty.queued = 0;
            }
        });
        tty.queued = c.queuedAfterWrite;
        const std::vector<uint8_t> block(1000, 0x55);
        std::size_t written = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(port->Write(block.data(), block.size(), &written, &error));
        const double took = SecondsSince(start);
        line.join();
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(tty.flushed, c.flushed);
        EXPECT_GE(took, c.atLeastSeconds);
        EXPECT_LT(took, 2.0);
        if (c.dsrOnLooks >= 0) {
            // Under DSR flow nothing more was handed over once DSR went off.
            EXPECT_EQ(pty.ReadMaster(100ms).size(), c.written);
        }
    }
}
