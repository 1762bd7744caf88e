// The parts of the search that loopback cannot show through rollvane-cli: where broadcasts go
// for a table of interfaces, the probe's socket option, replies that are not status replies, and
// conversations with peers that never answer or are not there.
#include "platform/DatagramProbe.h"
#include "platform/NetworkInterfaces.h"
#include "platform/StreamExchange.h"
#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/PrinterDiscovery.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

using platform::FileDescriptor;
using platform::InterfaceRecord;

namespace {

constexpr uint32_t Address(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

// A socket of the test's own on addr:0, its port chosen by the system.
FileDescriptor Bound(int type, uint32_t address, uint16_t *port)
{
    FileDescriptor fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(address);
    EXPECT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr *>(&at), sizeof at), 0);
    socklen_t length = sizeof at;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr *>(&at), &length);
    *port = ntohs(at.sin_port);
    return fd;
}

TEST(DiscoverySeam, BroadcastDestinationsOfTheInterfacesUp)
{
    const unsigned up = IFF_UP | IFF_BROADCAST | IFF_RUNNING;
    const std::vector<InterfaceRecord> interfaces = {
        {"lo", IFF_UP | IFF_LOOPBACK | IFF_RUNNING, Address(127, 0, 0, 1), 0},
        {"eth0", up, Address(192, 168, 1, 20), Address(192, 168, 1, 255)},
        {"eth1", IFF_BROADCAST, Address(10, 1, 0, 5), Address(10, 1, 255, 255)},         // down
        {"tun0", IFF_UP | IFF_POINTOPOINT, Address(10, 8, 0, 2), Address(10, 8, 0, 1)},  // the peer
        {"wg0", IFF_UP | IFF_RUNNING, Address(10, 9, 0, 2), 0},                          // no broadcast
        {"lo:1", up | IFF_LOOPBACK, Address(127, 0, 4, 1), Address(127, 255, 255, 255)},
        {"eth0:1", up, Address(192, 168, 1, 21), Address(192, 168, 1, 255)},  // the same network again
        {"eth2", up, Address(172, 16, 5, 9), Address(172, 16, 7, 255)},
    };
    EXPECT_EQ(platform::NetworkInterfaces::BroadcastDestinations(interfaces),
              (std::vector<uint32_t>{Address(172, 16, 7, 255), Address(192, 168, 1, 255)}));
    EXPECT_TRUE(platform::NetworkInterfaces::BroadcastDestinations({}).empty());

    // The machine's own list holds at least its loopback, which is never a destination.
    std::vector<InterfaceRecord> own;
    int error = 0;
    ASSERT_TRUE(platform::NetworkInterfaces::List(&own, &error)) << error;
    bool loopback = false;
    for (const InterfaceRecord &record : own) {
        loopback = loopback || record.address == Address(127, 0, 0, 1);
    }
    EXPECT_TRUE(loopback);
    for (uint32_t destination : platform::NetworkInterfaces::BroadcastDestinations(own)) {
        EXPECT_NE(destination >> 24, 127u);
    }
}

TEST(DiscoverySeam, TheProbeMayBroadcast)
{
    platform::DatagramProbe probe;
    int error = 0;
    ASSERT_TRUE(probe.Open(&error)) << error;
    int on = 0;
    socklen_t length = sizeof on;
    ASSERT_EQ(::getsockopt(probe.descriptor(), SOL_SOCKET, SO_BROADCAST, &on, &length), 0);
    EXPECT_EQ(on, 1);
}

// A peer that checks the request byte for byte and answers with a datagram too short, then the
// status twice: the short one is no reply, and the address is listed once with the first status.
// The address beside it has nobody on the port.
TEST(DiscoverySeam, OnlyStatusRepliesCount)
{
    uint16_t port = 0;
    const uint32_t peer = Address(127, 0, 4, 201);
    FileDescriptor socket = Bound(SOCK_DGRAM, peer, &port);
    std::vector<uint8_t> request;
    std::thread answer([&] {
        uint8_t buffer[64];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            ::recvfrom(socket.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        request.assign(buffer, buffer + std::max<ssize_t>(n, 0));
        const uint8_t shortReply[3] = {0, 0, 0};
        const uint8_t busy[8] = {0, 0, 0, 0, 0x08, 0, 0, 0};
        const uint8_t ready[8] = {};
        for (const auto &[bytes, size] : {std::pair<const uint8_t *, size_t>{shortReply, 3}, {busy, 8}, {ready, 8}}) {
            ::sendto(socket.get(), bytes, size, 0, reinterpret_cast<sockaddr *>(&from), length);
        }
    });
    rollvane::PrinterDiscovery discovery(port, 1);
    rollvane::DiscoveryRequest ask;
    ask.addresses = {Address(127, 0, 4, 200), peer};
    ask.timeoutMs = 500;
    std::vector<rollvane::FoundPrinter> found;
    std::string error;
    ASSERT_TRUE(discovery.Find(ask, &found, &error)) << error;
    answer.join();
    const auto &expected = rollvane::LinkCommands::kNetworkStatusRequest;
    EXPECT_EQ(request, std::vector<uint8_t>(expected.begin(), expected.end()));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, peer);
    EXPECT_EQ(found[0].status, 0x08);
}

// A peer that takes the connection and never answers costs its own time-out; one that is not
// there is refused; the peer that answers is not held up by either.
TEST(DiscoverySeam, ConversationsEndOnTheirOwnDeadlines)
{
    uint16_t port = 0;
    const uint32_t silent = Address(127, 0, 4, 210);
    const uint32_t absent = Address(127, 0, 4, 211);
    const uint32_t answering = Address(127, 0, 4, 212);
    FileDescriptor listener = Bound(SOCK_STREAM, silent, &port);
    ASSERT_EQ(::listen(listener.get(), 4), 0);
    FileDescriptor other(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(answering);
    ASSERT_EQ(::bind(other.get(), reinterpret_cast<sockaddr *>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(other.get(), 4), 0);
    std::vector<uint8_t> heard;
    std::thread answer([&] {
        FileDescriptor peer(::accept(other.get(), nullptr, nullptr));
        uint8_t buffer[2];
        for (const std::string reply : {"one", "four"}) {
            size_t got = 0;
            while (got < sizeof buffer) {
                const ssize_t n = ::recv(peer.get(), buffer + got, sizeof buffer - got, 0);
                if (n <= 0) {
                    return;
                }
                got += static_cast<size_t>(n);
            }
            heard.insert(heard.end(), buffer, buffer + 2);
            // The reply in two pieces.
            ::send(peer.get(), reply.data(), 1, MSG_NOSIGNAL);
            ::send(peer.get(), reply.data() + 1, reply.size() - 1, MSG_NOSIGNAL);
        }
    });
    platform::StreamExchange::Limits limits;
    limits.connectMs = 500;
    limits.replyMs = 500;
    const std::vector<platform::ExchangeStep> steps = {{{0x01, 0x02}, 3}, {{0x03, 0x04}, 4}};
    const auto outcomes = platform::StreamExchange::Run({silent, absent, answering}, port, steps, limits);
    answer.join();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].error, ETIMEDOUT);
    EXPECT_TRUE(outcomes[0].replies.empty());
    EXPECT_EQ(outcomes[1].error, ECONNREFUSED);
    EXPECT_EQ(outcomes[2].error, 0);
    EXPECT_EQ(heard, (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04}));
    ASSERT_EQ(outcomes[2].replies.size(), 2u);
    EXPECT_EQ(std::string(outcomes[2].replies[0].begin(), outcomes[2].replies[0].end()), "one");
    EXPECT_EQ(std::string(outcomes[2].replies[1].begin(), outcomes[2].replies[1].end()), "four");
}

}  // namespace
