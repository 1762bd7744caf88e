#include "tests/e2e/ScriptedPrinter.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

namespace {

platform::FileDescriptor Bound(int type, const std::string &address, uint16_t port)
{
    platform::FileDescriptor fd(socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    if (!fd.valid() || inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1 ||
        bind(fd.get(), reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 ||
        (type == SOCK_STREAM && listen(fd.get(), 8) != 0)) {
        return platform::FileDescriptor();
    }
    return fd;
}

}  // namespace

ScriptedPrinter::~ScriptedPrinter()
{
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool ScriptedPrinter::Fail(const std::string &what)
{
    error_ = what + ": " + std::strerror(errno);
    return false;
}

bool ScriptedPrinter::ListenOnNetwork(const std::string &address, uint16_t tcpPort, uint16_t udpPort)
{
    listener_ = Bound(SOCK_STREAM, address, tcpPort);
    if (!listener_.valid()) {
        return Fail("tcp " + address + ":" + std::to_string(tcpPort));
    }
    datagrams_ = Bound(SOCK_DGRAM, address, udpPort);
    if (!datagrams_.valid()) {
        return Fail("udp " + address + ":" + std::to_string(udpPort));
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

bool ScriptedPrinter::OfferSerialLine(const std::string &linkPath)
{
    terminal_.fd.reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    char name[128] = {};
    if (!terminal_.fd.valid() || grantpt(terminal_.fd.get()) != 0 || unlockpt(terminal_.fd.get()) != 0 ||
        ptsname_r(terminal_.fd.get(), name, sizeof name) != 0) {
        return Fail("pseudo-terminal");
    }
    slave_.reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios raw{};
    if (!slave_.valid() || tcgetattr(slave_.get(), &raw) != 0) {
        return Fail(name);
    }
    cfmakeraw(&raw);
    tcsetattr(slave_.get(), TCSANOW, &raw);
    if (symlink(name, linkPath.c_str()) != 0) {
        return Fail(linkPath);
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void ScriptedPrinter::SendWhatFits(int fd, const std::vector<uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        const ssize_t written = n < 0 && errno == ENOTSOCK ? write(fd, bytes.data() + done, bytes.size() - done) : n;
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

void ScriptedPrinter::Take(Peer &peer, const uint8_t *data, std::size_t size) const
{
    peer.received.insert(peer.received.end(), data, data + size);
    for (const auto &[request, reply] : replies_) {
        if (peer.received.size() >= request.size() &&
            std::equal(request.rbegin(), request.rend(), peer.received.rbegin())) {
            peer.received.clear();
            SendWhatFits(peer.fd.get(), reply);
            return;
        }
    }
    // Only the end of what came can still become a request.
    if (peer.received.size() > 64) {
        peer.received.erase(peer.received.begin(), peer.received.end() - 16);
    }
}

void ScriptedPrinter::Serve()
{
    uint8_t buffer[4096];
    while (!stop_) {
        std::vector<pollfd> fds;
        for (int fd : {listener_.get(), datagrams_.get(), terminal_.fd.get()}) {
            fds.push_back({fd, POLLIN, 0});  // a negative descriptor is skipped
        }
        for (const Peer &client : clients_) {
            fds.push_back({client.fd.get(), POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), 20) <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                clients_.push_back({platform::FileDescriptor(fd), {}});
            }
        }
        if (fds[1].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n =
                recvfrom(datagrams_.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
            const auto reply = n > 0 ? replies_.find(std::vector<uint8_t>(buffer, buffer + n)) : replies_.end();
            if (reply != replies_.end()) {
                sendto(datagrams_.get(), reply->second.data(), reply->second.size(), MSG_DONTWAIT,
                       reinterpret_cast<sockaddr *>(&from), length);
            }
        }
        if (fds[2].revents & POLLIN) {
            const ssize_t n = read(terminal_.fd.get(), buffer, sizeof buffer);
            if (n > 0) {
                Take(terminal_, buffer, static_cast<std::size_t>(n));
            }
        }
        // The clients polled are the first ones of the list; one accepted just now waits a turn.
        for (std::size_t i = 3; i < fds.size(); ++i) {
            Peer &client = clients_[i - 3];
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = recv(client.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
                if (n > 0) {
                    Take(client, buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    client.fd.reset();
                }
            }
        }
        clients_.erase(std::remove_if(clients_.begin(), clients_.end(), [](const Peer &c) { return !c.fd.valid(); }),
                       clients_.end());
    }
}

}  // namespace testing_support
