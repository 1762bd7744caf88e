// The restart wait of the test prints on the network link, through the real libqlnk against
// a printer played on loopback sockets: the channels are closed, the pause depends on the
// width the printer had, and the link configures itself again from its own record.
#include "platform/FileDescriptor.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/TestPrintRunner.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

constexpr uint32_t kLoopback = 0x7F000001;

platform::FileDescriptor BoundSocket(int type, uint16_t *port)
{
    platform::FileDescriptor fd(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    if (bind(fd.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        return {};
    }
    socklen_t size = sizeof address;
    getsockname(fd.get(), reinterpret_cast<sockaddr *>(&address), &size);
    *port = ntohs(address.sin_port);
    return fd;
}

// A printer on both channels: it answers every status request ready, the configuration
// read with its paper-width byte and the paper sensor with 00, and keeps what each data
// connection carried.
class LoopbackTestPrinter {
public:
    explicit LoopbackTestPrinter(uint8_t widthByte)
        : listener_(BoundSocket(SOCK_STREAM, &tcpPort)), udp_(BoundSocket(SOCK_DGRAM, &udpPort)), widthByte_(widthByte)
    {
        listen(listener_.get(), 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackTestPrinter()
    {
        stop_ = true;
        thread_.join();
    }

    // What each data connection carried, once the channels have been quiet for a moment.
    std::vector<Bytes> Connections()
    {
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (std::chrono::steady_clock::now() - lastActivity_ > milliseconds(150)) {
                    break;
                }
            }
            std::this_thread::sleep_for(milliseconds(20));
        }
        std::lock_guard lock(mutex_);
        return connections_;
    }
    int endsSeen()
    {
        std::lock_guard lock(mutex_);
        return endsSeen_;
    }

    uint16_t tcpPort = 0;
    uint16_t udpPort = 0;

private:
    void Serve()
    {
        while (!stop_) {
            pollfd polls[3] = {{listener_.get(), POLLIN, 0}, {udp_.get(), POLLIN, 0}, {connection_.get(), POLLIN, 0}};
            if (poll(polls, connection_.valid() ? 3 : 2, 20) <= 0) {
                continue;
            }
            std::lock_guard lock(mutex_);
            lastActivity_ = std::chrono::steady_clock::now();
            if (polls[0].revents & POLLIN) {
                // The link closes its connection before it makes the next one: what the old one
                // still holds, up to its end, is read first.
                for (pollfd old{connection_.get(), POLLIN, 0}; connection_.valid() && poll(&old, 1, 1000) > 0;) {
                    ReadData();
                    old.fd = connection_.get();
                }
                connection_.reset(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
                connections_.emplace_back();
                scanned_ = 0;
            }
            if (polls[1].revents & POLLIN) {
                AnswerStatus();
            }
            if (connection_.valid() && (polls[2].revents & (POLLIN | POLLHUP))) {
                ReadData();
            }
        }
    }

    void AnswerStatus()
    {
        uint8_t buffer[64];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        if (recvfrom(udp_.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &size) > 0) {
            const uint8_t reply[8] = {};
            sendto(udp_.get(), reply, sizeof reply, 0, reinterpret_cast<sockaddr *>(&from), size);
        }
    }

    void ReadData()
    {
        uint8_t buffer[4096];
        const ssize_t n = recv(connection_.get(), buffer, sizeof buffer, 0);
        if (n <= 0) {
            ++endsSeen_;
            connection_.reset();
            return;
        }
        Bytes &data = connections_.back();
        data.insert(data.end(), buffer, buffer + n);
        // The test lines never hold 1F or 1B, so the requests are found by their bytes.
        const Bytes config = {0x1F, 0x31, 0x04};
        const Bytes paper = {0x1B, 0x76};
        while (scanned_ < data.size()) {
            const auto at = data.begin() + static_cast<std::ptrdiff_t>(scanned_);
            const std::size_t left = data.size() - scanned_;
            if (left >= 3 && std::equal(config.begin(), config.end(), at)) {
                const uint8_t reply[2] = {0x00, widthByte_};
                send(connection_.get(), reply, sizeof reply, MSG_NOSIGNAL);
                scanned_ += 3;
            } else if (left >= 2 && std::equal(paper.begin(), paper.end(), at)) {
                const uint8_t reply = 0x00;
                send(connection_.get(), &reply, 1, MSG_NOSIGNAL);
                scanned_ += 2;
            } else if ((*at == 0x1F || *at == 0x1B) && left < 3) {
                break;  // the rest of a request is still on its way
            } else {
                ++scanned_;
            }
        }
    }

    platform::FileDescriptor listener_;
    platform::FileDescriptor udp_;
    platform::FileDescriptor connection_;
    const uint8_t widthByte_;
    std::mutex mutex_;
    std::vector<Bytes> connections_;
    std::size_t scanned_ = 0;
    int endsSeen_ = 0;
    std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool Contains(const Bytes &haystack, const Bytes &needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(TestPrintNetworkTest, RestartClosesPausesAndConfiguresAgain)
{
    const char *dir = std::getenv("ROLLVANE_LIB_DIR");
    if (!dir || access((std::string(dir) + "/libqlnk.so.1").c_str(), R_OK) != 0) {
        GTEST_SKIP() << "libqlnk.so.1 is not built";
    }
    // Loaded once for the whole run, as the link tests do: the library's tables stay reachable.
    dlopen((std::string(dir) + "/libqlnk.so.1").c_str(), RTLD_NOW | RTLD_NODELETE);

    const struct {
        const char *name;
        int paperType;
        uint8_t widthByte;
        std::size_t connections;
        milliseconds pause;  // 0: no restart
    } cases[] = {
        {"printer at 58 mm, 80 mm chosen", 0, 0x08, 2, milliseconds(5000)},
        {"printer at 80 mm, 58 mm chosen", 1, 0x00, 2, milliseconds(1000)},
        {"widths agree", 1, 0x08, 1, milliseconds(0)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackTestPrinter printer(c.widthByte);
        testing_support::RecordingUserInterface ui;
        platform::VirtualClock clock;
        auto facilities = LinkFacilities::Real();
        PrinterLink link(ui, clock, std::move(facilities));
        link.linkType = LinkNetwork;
        link.UseNetworkPorts(printer.tcpPort, printer.udpPort);
        ASSERT_EQ(link.Open("LAN"), 1);
        link.Configure(link_test::LanSettings(kLoopback));
        TestPrintRunner runner(link);
        runner.dualSide = 1;
        runner.paperType = c.paperType;
        ASSERT_EQ(runner.RunTestPrint(TestDuty100), ErrNone);
        EXPECT_FALSE(link.isOpen());

        const std::vector<Bytes> connections = printer.Connections();
        ASSERT_EQ(connections.size(), c.connections);
        const Bytes setting = {0x1F, 0x36, 0x32, static_cast<uint8_t>(c.paperType), 0xFF, 0x1D, 0xFF};
        EXPECT_EQ(Contains(connections.front(), setting), c.connections == 2);
        // The pages go over the connection made after the restart.
        EXPECT_TRUE(Contains(connections.back(), {0x1B, 0x69}));
        EXPECT_EQ(printer.endsSeen(), static_cast<int>(c.connections));
        EXPECT_EQ(link.ipAddress, kLoopback);

        const auto &sleeps = clock.sleeps();
        const auto restart = std::find(sleeps.begin(), sleeps.end(), milliseconds(2000));
        if (c.pause.count() == 0) {
            EXPECT_EQ(restart, sleeps.end());
            continue;
        }
        // After the one-second wait: the pause, Configure, then a second before the query.
        ASSERT_GE(sleeps.end() - restart, 3);
        EXPECT_EQ(restart[1], c.pause);
        EXPECT_EQ(restart[2], milliseconds(1000));
    }
}

}  // namespace
}  // namespace rollvane
