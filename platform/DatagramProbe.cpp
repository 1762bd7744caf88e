#include "platform/DatagramProbe.h"

#include "platform/DescriptorWait.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace platform {

namespace {

// Room for many small replies at once; the system may grant less.
constexpr int kReceiveBufferBytes = 1 << 20;
// A status reply is a few bytes; anything longer is cut here and judged by the caller.
constexpr std::size_t kLongestReply = 512;

}  // namespace

bool DatagramProbe::Open(int *error)
{
    socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket_.valid()) {
        *error = errno;
        return false;
    }
    const int on = 1;
    if (::setsockopt(socket_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        *error = errno;
        socket_.reset();
        return false;
    }
    // A smaller buffer than asked for is no failure: the loop reads as it sends.
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    return true;
}

void DatagramProbe::SendSome(const std::vector<uint32_t> &destinations, uint16_t port, const std::vector<uint8_t> &data,
                             std::size_t *next, std::size_t *sent, int *firstError)
{
    while (*next < destinations.size()) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(destinations[*next]);
        const ssize_t n = ::sendto(socket_.get(), data.data(), data.size(), MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr *>(&to), sizeof to);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
            return;  // again when poll says there is room
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (*firstError == 0) {
                *firstError = errno;
            }
        } else {
            ++*sent;
        }
        ++*next;
    }
}

void DatagramProbe::ReceiveAll(std::vector<ProbeReply> *replies)
{
    for (;;) {
        uint8_t buffer[kLongestReply];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            ::recvfrom(socket_.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n < 0) {
            // A reported network error (ECONNREFUSED and the like) is taken off the socket by
            // this read; the collection goes on.
            continue;
        }
        if (from.sin_family == AF_INET) {
            replies->push_back({ntohl(from.sin_addr.s_addr), std::vector<uint8_t>(buffer, buffer + n)});
        }
    }
}

bool DatagramProbe::Exchange(const std::vector<uint32_t> &destinations, uint16_t port, const std::vector<uint8_t> &data,
                             uint32_t timeoutMs, std::vector<ProbeReply> *replies, int *error)
{
    replies->clear();
    std::size_t next = 0;
    std::size_t sent = 0;
    int firstError = 0;
    // While sending, the deadline is for progress: a socket that never takes the next datagram
    // ends the search instead of holding it.
    auto deadline = DescriptorWait::After(timeoutMs);
    for (;;) {
        const std::size_t before = next;
        SendSome(destinations, port, data, &next, &sent, &firstError);
        if (next != before) {
            deadline = DescriptorWait::After(timeoutMs);
        }
        if (next == destinations.size() && sent == 0) {
            *error = firstError != 0 ? firstError : EDESTADDRREQ;
            return false;
        }
        pollfd p{socket_.get(), static_cast<short>(POLLIN | (next < destinations.size() ? POLLOUT : 0)), 0};
        const int timeout = DescriptorWait::MillisecondsUntil(deadline);
        const int n = ::poll(&p, 1, timeout);
        if (n < 0 && errno != EINTR) {
            *error = errno;
            return false;
        }
        if (n > 0 && (p.revents & (POLLIN | POLLERR)) != 0) {
            ReceiveAll(replies);
        }
        if (n == 0 && timeout == 0) {
            // Sending that made no progress for the whole time-out leaves the rest unsent.
            if (sent == 0) {
                *error = firstError != 0 ? firstError : ETIMEDOUT;
                return false;
            }
            return true;
        }
    }
}

}  // namespace platform
