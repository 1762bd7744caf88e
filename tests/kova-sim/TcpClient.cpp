#include "TcpClient.h"

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in MakeAddress(const std::string &address, int port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    return sa;
}

}  // namespace

TcpClient::~TcpClient()
{
    Close();
}

bool TcpClient::Connect(const std::string &address, int port)
{
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in sa = MakeAddress(address, port);
    if (::connect(fd_, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) != 0) {
        Close();
        return false;
    }
    return true;
}

bool TcpClient::Send(const Bytes &data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

Bytes TcpClient::Receive(size_t count, int timeoutMs)
{
    Bytes out;
    while (out.size() < count) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        uint8_t buf[4096];
        const ssize_t n = ::recv(fd_, buf, std::min(sizeof buf, count - out.size()), 0);
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

bool TcpClient::ClosedByPeer(int timeoutMs)
{
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    uint8_t b;
    const ssize_t n = ::recv(fd_, &b, 1, 0);
    return n == 0 || (n < 0 && errno == ECONNRESET);
}

void TcpClient::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::optional<Bytes> UdpStatus(const std::string &address, int port, int timeoutMs)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in sa = MakeAddress(address, port);
    const uint8_t request[] = {0x00, 0x00, 0x00, 0x00, 0x1B, 0x68};
    ::sendto(fd, request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
    pollfd p{fd, POLLIN, 0};
    std::optional<Bytes> reply;
    if (::poll(&p, 1, timeoutMs) > 0) {
        uint8_t buf[64];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n >= 0)
            reply = Bytes(buf, buf + n);
    }
    ::close(fd);
    return reply;
}

int FreePort(const std::string &address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = MakeAddress(address, 0);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0) {
        socklen_t len = sizeof sa;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
        port = ntohs(sa.sin_port);
    }
    ::close(fd);
    return port;
}
