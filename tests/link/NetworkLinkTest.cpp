// The network link through the real libqlnk, against a printer played on loopback sockets:
// a TCP listener for the data channel and a UDP socket for the status channel.
#include "platform/FileDescriptor.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/NetworkTransport.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using rollvane::PrinterLink;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

uint16_t BoundPort(int fd)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    return ntohs(address.sin_port);
}

platform::FileDescriptor BoundSocket(int type)
{
    platform::FileDescriptor fd(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    address.sin_port = 0;
    if (bind(fd.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        return {};
    }
    return fd;
}

// The library stays loaded until the process ends.
void KeepLoaded(const std::string &path)
{
    dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
}

// The printer's side of both channels.
class LoopbackPrinter {
public:
    LoopbackPrinter() : listener_(BoundSocket(SOCK_STREAM)), udp_(BoundSocket(SOCK_DGRAM))
    {
        listen(listener_.get(), 4);
        tcpPort = BoundPort(listener_.get());
        udpPort = BoundPort(udp_.get());
    }

    bool Accept()
    {
        pollfd p{listener_.get(), POLLIN, 0};
        if (poll(&p, 1, 3000) != 1) {
            return false;
        }
        connection_.reset(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        return connection_.valid();
    }

    Bytes ReadTcp(std::size_t expected, std::chrono::milliseconds wait = 3000ms)
    {
        Bytes bytes;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (bytes.size() < expected && std::chrono::steady_clock::now() < deadline) {
            pollfd p{connection_.get(), POLLIN, 0};
            if (poll(&p, 1, 50) != 1) {
                continue;
            }
            uint8_t buffer[4096];
            ssize_t n = recv(connection_.get(), buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    // True when the data connection was closed by the link.
    bool SeesEndOfStream()
    {
        pollfd p{connection_.get(), POLLIN, 0};
        if (poll(&p, 1, 3000) != 1) {
            return false;
        }
        uint8_t byte = 0;
        return recv(connection_.get(), &byte, 1, 0) == 0;
    }

    void WriteTcp(const Bytes &bytes) { send(connection_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // Answers one status request with reply (none when empty); the request goes to *request.
    std::thread AnswerStatus(Bytes reply, Bytes *request)
    {
        return std::thread([this, reply, request] {
            pollfd p{udp_.get(), POLLIN, 0};
            if (poll(&p, 1, 5000) != 1) {
                return;
            }
            uint8_t buffer[512];
            sockaddr_in from{};
            socklen_t size = sizeof from;
            ssize_t n = recvfrom(udp_.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &size);
            if (n > 0) {
                request->assign(buffer, buffer + n);
            }
            if (!reply.empty()) {
                sendto(udp_.get(), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr *>(&from), size);
            }
        });
    }

    uint16_t tcpPort = 0;
    uint16_t udpPort = 0;

private:
    platform::FileDescriptor listener_;
    platform::FileDescriptor udp_;
    platform::FileDescriptor connection_;
};

class PrinterLinkNetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *dir = std::getenv("ROLLVANE_LIB_DIR");
        if (!dir || access((std::string(dir) + "/libqlnk.so.1").c_str(), R_OK) != 0) {
            GTEST_SKIP() << "libqlnk.so.1 is not built";
        }
        // The library keeps process-wide tables on the heap that are lost when it is unloaded;
        // one reference held for the whole run keeps them reachable between the link's loads.
        KeepLoaded(std::string(dir) + "/libqlnk.so.1");
    }

    std::unique_ptr<PrinterLink> MakeLink(const std::string &library = "libqlnk.so.1")
    {
        auto facilities = rollvane::LinkFacilities::Real();
        facilities.qlnkLibrary = library;
        auto link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        link->linkType = rollvane::LinkNetwork;
        link->UseNetworkPorts(printer.tcpPort, printer.udpPort);
        return link;
    }

    std::unique_ptr<PrinterLink> OpenLink()
    {
        auto link = MakeLink();
        EXPECT_EQ(link->Open("LAN"), 1);
        EXPECT_EQ(link->Configure(link_test::LanSettings(kLoopback)), 0);
        EXPECT_TRUE(printer.Accept());
        return link;
    }

    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    LoopbackPrinter printer;
};

}  // namespace

TEST_F(PrinterLinkNetworkTest, ConfigureFillsBothChannels)
{
    auto link = OpenLink();
    EXPECT_EQ(link->ipAddress, kLoopback);
    EXPECT_EQ(link->dataChannel().portType, QLNK_PORT_TCP_RAW);
    EXPECT_EQ(link->dataChannel().netAddress, kLoopback);
    EXPECT_EQ(link->dataChannel().netPort, printer.tcpPort);
    EXPECT_EQ(link->dataChannel().netTimeout, 10000u);
    EXPECT_EQ(link->statusChannel().portType, QLNK_PORT_UDP_RAW);
    EXPECT_EQ(link->statusChannel().netPort, printer.udpPort);
    EXPECT_EQ(link->statusChannel().netTimeout, 10000u);
    EXPECT_GE(link->dataChannel().netSocket, 0);
    EXPECT_GE(link->statusChannel().netSocket, 0);
    EXPECT_EQ(rollvane::NetworkTransport::kDefaultDataPort, 9100u);
    EXPECT_EQ(rollvane::NetworkTransport::kDefaultStatusPort, 3000u);
}

TEST_F(PrinterLinkNetworkTest, StatusRequestAndTheFifthReplyByte)
{
    auto link = OpenLink();
    Bytes request;
    std::thread peer = printer.AnswerStatus({0x01, 0x02, 0x03, 0x04, 0x2A, 0x06, 0x07, 0x08}, &request);
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 1);
    peer.join();
    EXPECT_EQ(request, (Bytes{0x00, 0x00, 0x00, 0x00, 0x1B, 0x68}));
    EXPECT_EQ(status[0], 0x2A);
    // The pause before the reply lasts until the next whole second.
    EXPECT_LE(clock.totalSlept(), 1000ms);
}

TEST_F(PrinterLinkNetworkTest, AShortStatusReplyGivesFF)
{
    auto link = OpenLink();
    Bytes request;
    std::thread peer = printer.AnswerStatus({0x00, 0x00, 0x00}, &request);
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 1);
    peer.join();
    EXPECT_EQ(status[0], 0xFF);
}

TEST_F(PrinterLinkNetworkTest, NoStatusReplyFailsAndLeavesFF)
{
    auto link = OpenLink();
    Bytes request;
    std::thread peer = printer.AnswerStatus({}, &request);
    uint8_t status[PrinterLink::kStatusBufferSize];
    status[0] = 0x00;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link->QueryStatus(status), 0);
    peer.join();
    EXPECT_EQ(status[0], 0xFF);
    EXPECT_TRUE(PrinterLink::IsBusy(status[0]));
    // The reply is awaited for the whole 10000 ms receive time-out (the pause before it is
    // on the virtual clock).
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 10s);
    EXPECT_LT(took, 15s);
}

TEST_F(PrinterLinkNetworkTest, SendAndSendBulkPutTheExactBytesOnTheDataChannel)
{
    auto link = OpenLink();
    EXPECT_EQ(link->Send({0x1B, 0x40}), 1);
    // A block that reads like hexadecimal text goes out as it is.
    Bytes text{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(link->SendBulk(text.data(), static_cast<uint32_t>(text.size())), 1);
    EXPECT_EQ(text, (Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
    Bytes expected{0x1B, 0x40};
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(printer.ReadTcp(expected.size()), expected);
}

TEST_F(PrinterLinkNetworkTest, ReceiveCopiesOnlyWhatWasAsked)
{
    auto link = OpenLink();
    printer.WriteTcp({0x31, 0x32, 0x33, 0x34, 0x35});
    uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(link->Receive(buffer, 2), 1);
    EXPECT_EQ(buffer[0], 0x31);
    EXPECT_EQ(buffer[1], 0x32);
    EXPECT_EQ(buffer[2], 0xEE);
    EXPECT_EQ(buffer[3], 0xEE);
}

TEST_F(PrinterLinkNetworkTest, CloseEndsBothChannels)
{
    auto link = OpenLink();
    link->Close();
    EXPECT_TRUE(printer.SeesEndOfStream());
    EXPECT_EQ(link->dataChannel().netSocket, -1);
    EXPECT_EQ(link->statusChannel().netSocket, -1);
    EXPECT_FALSE(link->isOpen());
    EXPECT_EQ(link->Send({0x10}), 0);
}

TEST_F(PrinterLinkNetworkTest, OpenClosesChannelsLeftFromAnEarlierAction)
{
    auto link = OpenLink();
    EXPECT_EQ(link->Open("LAN"), 1);
    EXPECT_TRUE(printer.SeesEndOfStream());
}

TEST_F(PrinterLinkNetworkTest, SendBulkReportsAFailedSend)
{
    // A port nobody listens on: the data channel does not open.
    uint16_t closedPort = 0;
    {
        platform::FileDescriptor probe = BoundSocket(SOCK_STREAM);
        closedPort = BoundPort(probe.get());
    }
    auto link = MakeLink();
    link->UseNetworkPorts(closedPort, rollvane::NetworkTransport::kDefaultStatusPort);
    ASSERT_EQ(link->Open("LAN"), 1);
    link->Configure(link_test::LanSettings(kLoopback));
    uint8_t block[3] = {0x1B, 0x40, 0x0A};
    EXPECT_EQ(link->SendBulk(block, sizeof block), 0);
    EXPECT_EQ(link->Send(block, sizeof block), 0);
    link->Close();
}

TEST_F(PrinterLinkNetworkTest, UnknownLinkTypeFailsEverything)
{
    auto link = MakeLink();
    link->linkType = 7;
    uint8_t block[2] = {0x1B, 0x40};
    EXPECT_EQ(link->Open("LAN"), 0);
    EXPECT_EQ(link->SendBulk(block, sizeof block), 0);
    EXPECT_EQ(link->Send(block, sizeof block), 0);
    EXPECT_EQ(link->Receive(block, 1), 0);
    uint8_t status[PrinterLink::kStatusBufferSize];
    EXPECT_EQ(link->QueryStatus(status), 0);
    EXPECT_EQ(status[0], 0xFF);
    link->Close();
}

TEST_F(PrinterLinkNetworkTest, AMissingLibraryFailsEveryOperationCleanly)
{
    for (const std::string name : {"libqlnk-missing.so.1", "libm.so.6"}) {
        SCOPED_TRACE(name);
        auto link = MakeLink(name);
        EXPECT_EQ(link->Open("LAN"), 1);
        EXPECT_EQ(link->Configure(link_test::LanSettings(kLoopback)), 0);
        uint8_t block[2] = {0x1B, 0x40};
        EXPECT_EQ(link->Send(block, sizeof block), 0);
        EXPECT_EQ(link->SendBulk(block, sizeof block), 0);
        EXPECT_EQ(link->Receive(block, 1), 0);
        uint8_t status[PrinterLink::kStatusBufferSize];
        EXPECT_EQ(link->QueryStatus(status), 0);
        EXPECT_EQ(status[0], 0xFF);
        uint8_t reply[8];
        EXPECT_EQ(link->ReceiveStatusReply(reply, 8), 0);
        link->Close();
    }
}

TEST_F(PrinterLinkNetworkTest, CloseWithoutConfigureLeavesDescriptorZeroAlone)
{
    // The zero-filled channels name descriptor 0; nothing may close it.
    const bool openBefore = fcntl(0, F_GETFD) != -1;
    auto link = MakeLink();
    link->Close();
    EXPECT_EQ(fcntl(0, F_GETFD) != -1, openBefore);
}

TEST_F(PrinterLinkNetworkTest, ALibraryRenamedAwayFailsOperationsUntilItIsBack)
{
    testing_support::TempDir dir;
    const std::string path = dir.file("libqlnk.so.1");
    const std::string away = dir.file("libqlnk.so.1.away");
    std::filesystem::copy_file(std::string(std::getenv("ROLLVANE_LIB_DIR")) + "/libqlnk.so.1", away);
    {
        auto link = MakeLink(path);
        ASSERT_EQ(link->Open("LAN"), 1);
        link->Configure(link_test::LanSettings(kLoopback));
        EXPECT_EQ(link->Send({0x1B, 0x40}), 0);
        uint8_t status[PrinterLink::kStatusBufferSize];
        EXPECT_EQ(link->QueryStatus(status), 0);
        EXPECT_EQ(status[0], 0xFF);
        link->Close();
    }
    ASSERT_EQ(std::rename(away.c_str(), path.c_str()), 0);
    // Kept loaded for the rest of the run, for the same reason as in SetUp.
    KeepLoaded(path);
    auto link = MakeLink(path);
    ASSERT_EQ(link->Open("LAN"), 1);
    link->Configure(link_test::LanSettings(kLoopback));
    ASSERT_TRUE(printer.Accept());
    EXPECT_EQ(link->Send({0x1B, 0x40}), 1);
    EXPECT_EQ(printer.ReadTcp(2), (Bytes{0x1B, 0x40}));
}
