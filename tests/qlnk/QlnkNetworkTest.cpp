// Raw TCP and UDP against loopback peers the test plays.
#include "QlnkTestSupport.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <future>
#include <thread>

using namespace qlnk_test;

namespace {

struct TcpLink {
    platform::FileDescriptor listener;
    platform::FileDescriptor peer;
    QLNK_CommContext context{};
};

// An open raw TCP context and the test's end of its connection.
void ConnectTcp(TcpLink *link)
{
    uint16_t port = 0;
    link->listener = BoundSocket(SOCK_STREAM, kLoopback, &port);
    ASSERT_TRUE(link->listener.valid());
    link->context = NetContext(QLNK_PORT_TCP_RAW, kLoopback, port, 2000);
    int32_t status = 0;
    EXPECT_QLNK(QLNK_Open(&link->context, &status), QLNK_OK);
    link->peer = AcceptWithin(link->listener.get(), milliseconds(2000));
    ASSERT_TRUE(link->peer.valid());
}

void CloseTcp(TcpLink *link)
{
    int32_t status = 0;
    EXPECT_QLNK(QLNK_CloseComm(&link->context.netSocket, QLNK_PORT_TCP_RAW, &status), QLNK_OK);
    EXPECT_EQ(link->context.netSocket, -1);
}

uint16_t Checksum(const uint8_t *bytes, std::size_t length)
{
    uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        sum += uint32_t(bytes[i]) << 8 | bytes[i + 1];
    }
    if (length % 2 != 0) {
        sum += uint32_t(bytes[length - 1]) << 8;
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint16_t(~sum);
}

// The ports of the clients that fill the listener's queue are added to clientPorts.
std::vector<platform::FileDescriptor> FillQueue(uint16_t port, std::vector<uint16_t> *clientPorts)
{
    std::vector<platform::FileDescriptor> queued;
    for (int i = 0; i < 16; ++i) {
        platform::FileDescriptor client(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const sockaddr_in where = SocketAddress(kLoopback, port);
        connect(client.get(), reinterpret_cast<const sockaddr *>(&where), sizeof where);
        clientPorts->push_back(LocalPort(client.get()));
        pollfd p{client.get(), POLLOUT, 0};
        const bool connected = poll(&p, 1, 200) == 1;
        queued.push_back(std::move(client));
        if (!connected) {
            break;
        }
    }
    return queued;
}

// A listener that never accepts, with a full queue: further connection requests go unanswered,
// neither completed nor refused.
struct SilentListener {
    SilentListener()
    {
        listener = BoundSocket(SOCK_STREAM, kLoopback, &port, 0);
        if (listener.valid()) {
            queued = FillQueue(port, &clientPorts);
        }
    }

    uint16_t port = 0;
    platform::FileDescriptor listener;
    std::vector<uint16_t> clientPorts;
    std::vector<platform::FileDescriptor> queued;
};

}  // namespace

TEST(QlnkTcp, BytesArriveIntactBothWays)
{
    TcpLink link;
    ASSERT_NO_FATAL_FAILURE(ConnectTcp(&link));
    // A connection that had to wait leaves EINPROGRESS behind even though it worked.
    EXPECT_EQ(TakeLastError(), EINPROGRESS);

    const auto out = AllByteValues(4);
    int32_t status = 0;
    uint32_t sent = 0;
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, out.data(), uint32_t(out.size()), &sent, QLNK_PORT_TCP_RAW, 1000,
                              &status),
                QLNK_OK);
    EXPECT_EQ(sent, out.size());
    EXPECT_EQ(ReadFor(link.peer.get(), out.size(), milliseconds(2000)), out);

    const auto back = AllByteValues(1);
    ASSERT_EQ(send(link.peer.get(), back.data(), back.size(), 0), ssize_t(back.size()));
    EXPECT_EQ(ReceiveUpTo(&link.context.netSocket, QLNK_PORT_TCP_RAW, back.size()), back);
    CloseTcp(&link);
}

TEST(QlnkTcp, ReceiveWithNothingArrivingTimesOutWithCountZero)
{
    TcpLink link;
    ASSERT_NO_FATAL_FAILURE(ConnectTcp(&link));
    uint8_t buffer[16];
    std::memset(buffer, 0xAA, sizeof buffer);
    uint32_t count = 99;
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_RecvData(&link.context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 300, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(TakeLastError(), ETIMEDOUT);

    // Nothing is left pending that could fill the buffer after the call returned.
    ASSERT_EQ(send(link.peer.get(), "late", 4, 0), 4);
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_QLNK(QLNK_RecvData(&link.context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 1000, &status),
                QLNK_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), count), "late");
    CloseTcp(&link);
}

TEST(QlnkTcp, PeerClosingGivesOkWithCountZero)
{
    TcpLink link;
    ASSERT_NO_FATAL_FAILURE(ConnectTcp(&link));
    link.peer.reset();
    uint8_t buffer[16];
    uint32_t count = 99;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_RecvData(&link.context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_TCP_RAW, 2000, &status),
                QLNK_OK);
    EXPECT_EQ(count, 0u);
    CloseTcp(&link);
}

TEST(QlnkTcp, RefusedConnectEndsAtOnceNotAfterTheTimeout)
{
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_RAW, kLoopback, ClosedPort(), 30000);
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 10000);
    EXPECT_EQ(TakeLastError(), ECONNREFUSED);
    // The socket stays for the caller to close.
    EXPECT_GE(context.netSocket, 0);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status), QLNK_OK);
    EXPECT_EQ(context.netSocket, -1);
}

TEST(QlnkTcp, SilentPeerIsWaitedForUntilTheConnectTimeout)
{
    SilentListener silent;
    ASSERT_TRUE(silent.listener.valid());

    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_RAW, kLoopback, silent.port, 300);
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_E_TIMEOUT);
    const auto waited = MsSince(start);
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 5000);
    EXPECT_EQ(TakeLastError(), ETIMEDOUT);
    EXPECT_GE(context.netSocket, 0);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status), QLNK_OK);
}

// An unanswered connection that the network then reports as failed (here: an ICMP "host
// unknown" for its SYN) has not been made, like one that was refused: a time-out, at once,
// with the reported error.
TEST(QlnkTcp, ConnectionReportedFailedWhileWaitingIsATimeoutAtOnce)
{
    platform::FileDescriptor capture(socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_TCP));
    platform::FileDescriptor icmp(socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (!capture.valid() || !icmp.valid()) {
        GTEST_SKIP() << "raw sockets need CAP_NET_RAW";
    }
    SilentListener silent;
    ASSERT_TRUE(silent.listener.valid());
    const uint16_t port = silent.port;
    const std::vector<uint16_t> &clientPorts = silent.clientPorts;

    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_TCP_RAW, kLoopback, port, 8000);
    const auto start = Clock::now();
    auto opened = std::async(std::launch::async, [&] { return QLNK_Open(&context, &status); });

    // The library's SYN: to the listener, from a port none of the queued clients has.
    std::vector<uint8_t> syn;
    while (syn.empty() && MsSince(start) < 3000) {
        pollfd p{capture.get(), POLLIN, 0};
        if (poll(&p, 1, 100) != 1) {
            continue;
        }
        uint8_t packet[1500];
        const ssize_t n = recv(capture.get(), packet, sizeof packet, 0);
        TcpPacket tcp;
        if (ParseTcpPacket(packet, n, &tcp) && tcp.to == port && tcp.connectionRequest &&
            std::find(clientPorts.begin(), clientPorts.end(), tcp.from) == clientPorts.end()) {
            syn.assign(packet, packet + tcp.headerLength + 8);
        }
    }
    ASSERT_FALSE(syn.empty());
    // Destination unreachable, code 7 (destination host unknown), quoting the SYN.
    std::vector<uint8_t> message = {3, 7, 0, 0, 0, 0, 0, 0};
    message.insert(message.end(), syn.begin(), syn.end());
    const uint16_t sum = Checksum(message.data(), message.size());
    message[2] = uint8_t(sum >> 8);
    message[3] = uint8_t(sum & 0xFF);
    const sockaddr_in loopback = SocketAddress(kLoopback, 0);
    ASSERT_EQ(sendto(icmp.get(), message.data(), message.size(), 0, reinterpret_cast<const sockaddr *>(&loopback),
                     sizeof loopback),
              ssize_t(message.size()));

    const int32_t returned = opened.get();
    EXPECT_EQ(status, QLNK_E_TIMEOUT);
    EXPECT_EQ(returned, 0);
    EXPECT_LT(MsSince(start), 6000);
    EXPECT_EQ(TakeLastError(), EHOSTDOWN);
    EXPECT_GE(context.netSocket, 0);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status), QLNK_OK);
}

TEST(QlnkTcp, SendToAClosedPeerFailsWithoutSignal)
{
    // The calling program keeps the default SIGPIPE disposition: a send must not raise it.
    auto previous = std::signal(SIGPIPE, SIG_DFL);
    TcpLink link;
    ASSERT_NO_FATAL_FAILURE(ConnectTcp(&link));
    link.peer.reset();
    const auto data = AllByteValues(1);
    int32_t status = QLNK_OK;
    for (int i = 0; i < 100 && status == QLNK_OK; ++i) {
        uint32_t sent = 0;
        QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_RAW, 500,
                      &status);
        std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_EQ(status, QLNK_E_SYSTEM);
    const int32_t error = TakeLastError();
    EXPECT_TRUE(error == EPIPE || error == ECONNRESET) << error;
    CloseTcp(&link);
    std::signal(SIGPIPE, previous);
}

TEST(QlnkTcp, SendToAPeerThatDoesNotReadEndsAtTheTimeoutWithPartOfTheData)
{
    TcpLink link;
    ASSERT_NO_FATAL_FAILURE(ConnectTcp(&link));
    const std::vector<uint8_t> data(64u << 20, 0x5A);
    uint32_t sent = 0;
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_SendData(&link.context.netSocket, data.data(), uint32_t(data.size()), &sent, QLNK_PORT_TCP_RAW,
                              300, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    // What did go is counted; the rest was never handed over.
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, data.size());
    EXPECT_EQ(TakeLastError(), ETIMEDOUT);
    CloseTcp(&link);
}

TEST(QlnkUdp, DatagramsArriveIntactBothWaysAndBroadcastIsAllowed)
{
    uint16_t port = 0;
    auto peer = BoundSocket(SOCK_DGRAM, kLoopback, &port);
    ASSERT_TRUE(peer.valid());
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_UDP_RAW, kLoopback, port, 0);
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_OK);
    int broadcast = 0;
    socklen_t size = sizeof broadcast;
    ASSERT_EQ(getsockopt(context.netSocket, SOL_SOCKET, SO_BROADCAST, &broadcast, &size), 0);
    EXPECT_EQ(broadcast, 1);

    const auto out = AllByteValues(2);
    uint32_t sent = 0;
    EXPECT_QLNK(
        QLNK_SendData(&context.netSocket, out.data(), uint32_t(out.size()), &sent, QLNK_PORT_UDP_RAW, 500, &status),
        QLNK_OK);
    EXPECT_EQ(sent, out.size());
    std::vector<uint8_t> datagram(4096);
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    pollfd p{peer.get(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    const ssize_t n =
        recvfrom(peer.get(), datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
    datagram.resize(n > 0 ? std::size_t(n) : 0);
    EXPECT_EQ(datagram, out);

    const uint8_t reply[] = {0x00, 0x00, 0x00, 0x00, 0x12, 0xFF, 0x00, 0x80};
    ASSERT_EQ(sendto(peer.get(), reply, sizeof reply, 0, reinterpret_cast<sockaddr *>(&from), fromSize),
              ssize_t(sizeof reply));
    uint8_t buffer[64];
    uint32_t count = 0;
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_UDP_RAW, 2000, &status),
                QLNK_OK);
    ASSERT_EQ(count, sizeof reply);
    EXPECT_EQ(std::memcmp(buffer, reply, sizeof reply), 0);

    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_UDP_RAW, 200, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(count, 0u);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
}

// Nobody listens at the port: the system's "port unreachable" ends the receive at once, with
// the result a silent peer gives after the time-out; the next receive waits again.
TEST(QlnkUdp, AReplyFromAPortNobodyListensOnIsRefusedAtOnce)
{
    uint16_t port = 0;
    {
        auto probe = BoundSocket(SOCK_DGRAM, kLoopback, &port);  // a port that was free a moment ago
    }
    int32_t status = 0;
    auto context = NetContext(QLNK_PORT_UDP_RAW, kLoopback, port, 0);
    EXPECT_QLNK(QLNK_Open(&context, &status), QLNK_OK);
    const uint8_t request[] = {0x00, 0x00, 0x00, 0x00, 0x1B, 0x68};
    uint32_t sent = 0;
    EXPECT_QLNK(QLNK_SendData(&context.netSocket, request, sizeof request, &sent, QLNK_PORT_UDP_RAW, 500, &status),
                QLNK_OK);
    uint8_t buffer[8];
    uint32_t count = 0;
    auto start = Clock::now();
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_UDP_RAW, 10000, &status),
                QLNK_E_TIMEOUT);
    EXPECT_LT(MsSince(start), 5000);
    int32_t error = 0;
    QLNK_GetLastError(&error);
    EXPECT_EQ(error, ECONNREFUSED);
    start = Clock::now();
    EXPECT_QLNK(QLNK_RecvData(&context.netSocket, buffer, sizeof buffer, &count, QLNK_PORT_UDP_RAW, 300, &status),
                QLNK_E_TIMEOUT);
    EXPECT_GE(MsSince(start), 300);
    EXPECT_QLNK(QLNK_CloseComm(&context.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
}

// Each UDP context sends to its own address, not to the one opened last.
TEST(QlnkUdp, TwoContextsEachReachTheirOwnAddress)
{
    uint16_t portA = 0;
    uint16_t portB = 0;
    auto peerA = BoundSocket(SOCK_DGRAM, Ipv4(127, 0, 0, 2), &portA);
    auto peerB = BoundSocket(SOCK_DGRAM, Ipv4(127, 0, 0, 3), &portB);
    ASSERT_TRUE(peerA.valid());
    ASSERT_TRUE(peerB.valid());
    int32_t status = 0;
    auto contextA = NetContext(QLNK_PORT_UDP_RAW, Ipv4(127, 0, 0, 2), portA, 0);
    auto contextB = NetContext(QLNK_PORT_UDP_RAW, Ipv4(127, 0, 0, 3), portB, 0);
    EXPECT_QLNK(QLNK_Open(&contextA, &status), QLNK_OK);
    EXPECT_QLNK(QLNK_Open(&contextB, &status), QLNK_OK);

    uint32_t sent = 0;
    const uint8_t toA[] = {'A', 0x00, 0xFF};
    const uint8_t toB[] = {'B', 0x1B, 0x68};
    EXPECT_QLNK(QLNK_SendData(&contextA.netSocket, toA, sizeof toA, &sent, QLNK_PORT_UDP_RAW, 500, &status), QLNK_OK);
    EXPECT_QLNK(QLNK_SendData(&contextB.netSocket, toB, sizeof toB, &sent, QLNK_PORT_UDP_RAW, 500, &status), QLNK_OK);
    EXPECT_EQ(ReadFor(peerA.get(), 100, milliseconds(300)), std::vector<uint8_t>(toA, toA + sizeof toA));
    EXPECT_EQ(ReadFor(peerB.get(), 100, milliseconds(300)), std::vector<uint8_t>(toB, toB + sizeof toB));

    // Closing one drops its destination: a new socket that gets the same number has none.
    const int closedNumber = contextA.netSocket;
    EXPECT_QLNK(QLNK_CloseComm(&contextA.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
    platform::FileDescriptor reused(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(reused.get(), closedNumber);
    int32_t handle = reused.get();
    EXPECT_QLNK(QLNK_SendData(&handle, toA, sizeof toA, &sent, QLNK_PORT_UDP_RAW, 500, &status), QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), EDESTADDRREQ);
    EXPECT_TRUE(ReadFor(peerA.get(), 100, milliseconds(200)).empty());

    // The other context is untouched.
    EXPECT_QLNK(QLNK_SendData(&contextB.netSocket, toB, sizeof toB, &sent, QLNK_PORT_UDP_RAW, 500, &status), QLNK_OK);
    EXPECT_EQ(ReadFor(peerB.get(), 100, milliseconds(300)), std::vector<uint8_t>(toB, toB + sizeof toB));
    EXPECT_QLNK(QLNK_CloseComm(&contextB.netSocket, QLNK_PORT_UDP_RAW, &status), QLNK_OK);
}
