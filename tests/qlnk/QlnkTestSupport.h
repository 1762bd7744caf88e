#pragma once

// Small pieces shared by the library's tests: loopback sockets the test plays the peer on,
// and the checks every exported call answers to.

#include <qlnk.h>

#include "platform/FileDescriptor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qlnk_test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t kLoopback = 0x7F000001;  // 127.0.0.1

inline uint32_t Ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | d;
}

inline sockaddr_in SocketAddress(uint32_t address, uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

inline uint16_t LocalPort(int fd)
{
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &size);
    return ntohs(bound.sin_port);
}

// A socket bound to address on a port the system picks (listening, for a stream socket).
inline platform::FileDescriptor BoundSocket(int type, uint32_t address, uint16_t *port, int backlog = 16)
{
    platform::FileDescriptor fd(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in where = SocketAddress(address, 0);
    if (bind(fd.get(), reinterpret_cast<const sockaddr *>(&where), sizeof where) != 0) {
        return platform::FileDescriptor();
    }
    if (type == SOCK_STREAM && listen(fd.get(), backlog) != 0) {
        return platform::FileDescriptor();
    }
    *port = LocalPort(fd.get());
    return fd;
}

// A port on 127.0.0.1 where nothing listens.
inline uint16_t ClosedPort()
{
    uint16_t port = 0;
    BoundSocket(SOCK_STREAM, kLoopback, &port);
    return port;
}

inline platform::FileDescriptor AcceptWithin(int listener, milliseconds wait)
{
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(wait.count())) != 1) {
        return platform::FileDescriptor();
    }
    return platform::FileDescriptor(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

// Reads until expected bytes have come, the peer closed or the wait ran out.
inline std::vector<uint8_t> ReadFor(int fd, std::size_t expected, milliseconds wait)
{
    std::vector<uint8_t> bytes;
    const auto end = Clock::now() + wait;
    while (bytes.size() < expected) {
        const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) != 1) {
            break;
        }
        uint8_t buffer[65536];
        const ssize_t n = recv(fd, buffer, std::min(sizeof buffer, expected - bytes.size()), 0);
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

inline std::vector<uint8_t> AllByteValues(std::size_t repeats)
{
    std::vector<uint8_t> bytes;
    for (std::size_t r = 0; r < repeats; ++r) {
        for (int i = 0; i < 256; ++i) {
            bytes.push_back(static_cast<uint8_t>(i));
        }
    }
    return bytes;
}

// One IPv4 packet as a raw IPPROTO_TCP socket reads it: its ports and whether it is a bare SYN
// (a connection request). False when it is too short to tell.
struct TcpPacket {
    uint16_t from = 0;
    uint16_t to = 0;
    bool connectionRequest = false;
    std::size_t headerLength = 0;  // of the IP header
};

inline bool ParseTcpPacket(const uint8_t *packet, ssize_t length, TcpPacket *parsed)
{
    if (length < 20) {
        return false;
    }
    const std::size_t header = std::size_t(packet[0] & 0x0F) * 4;
    if (length < ssize_t(header + 20)) {
        return false;
    }
    parsed->from = uint16_t(packet[header] << 8 | packet[header + 1]);
    parsed->to = uint16_t(packet[header + 2] << 8 | packet[header + 3]);
    parsed->connectionRequest = (packet[header + 13] & 0x12) == 0x02;
    parsed->headerLength = header;
    return true;
}

inline QLNK_CommContext NetContext(uint32_t portType, uint32_t address, uint16_t port, uint32_t timeoutMs)
{
    QLNK_CommContext context{};
    context.portType = portType;
    context.netAddress = address;
    context.netPort = port;
    context.netTimeout = timeoutMs;
    return context;
}

inline int32_t TakeLastError()
{
    int32_t value = 0;
    EXPECT_EQ(QLNK_GetLastError(&value), 1);
    return value;
}

inline long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Receives on an open handle until expected bytes have come or a receive brings none.
inline std::vector<uint8_t> ReceiveUpTo(int32_t *handle, uint32_t portType, std::size_t expected)
{
    std::vector<uint8_t> received;
    uint8_t buffer[512];
    while (received.size() < expected) {
        uint32_t count = 0;
        int32_t status = 0;
        const int32_t result = QLNK_RecvData(handle, buffer, sizeof buffer, &count, portType, 1000, &status);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(status, QLNK_OK);
        if (count == 0) {
            break;
        }
        received.insert(received.end(), buffer, buffer + count);
    }
    return received;
}

}  // namespace qlnk_test

// Every exported call returns 1 exactly when the status it wrote is QLNK_OK.
#define EXPECT_QLNK(call, expectedStatus)                                                                              \
    do {                                                                                                               \
        const int32_t qlnkReturned_ = (call);                                                                          \
        EXPECT_EQ(status, (expectedStatus)) << #call;                                                                  \
        EXPECT_EQ(qlnkReturned_, (expectedStatus) == QLNK_OK ? 1 : 0) << #call;                                        \
    } while (0)
