// Round trips through the exported calls against an echoing loopback peer.
#include <qlnk.h>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

// A socket of type on 127.0.0.1 and a port the system picks.
int BoundToLoopback(int type, uint16_t *port)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    *port = ntohs(address.sin_port);
    return fd;
}

// Echoes everything back on one TCP connection, or every datagram to its sender, until stopped.
class EchoPeer {
public:
    explicit EchoPeer(int type) : type_(type)
    {
        fd_ = BoundToLoopback(type, &port_);
        if (type == SOCK_STREAM) {
            listen(fd_, 1);
        }
        thread_ = std::thread([this] { Run(); });
    }
    ~EchoPeer()
    {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    uint16_t port() const { return port_; }

private:
    void Run()
    {
        int fd = fd_;
        std::vector<uint8_t> buffer(1 << 16);
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) != 1) {
                continue;
            }
            if (type_ == SOCK_STREAM && fd == fd_) {
                fd = accept(fd_, nullptr, nullptr);
                continue;
            }
            sockaddr_in from{};
            socklen_t size = sizeof from;
            const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr *>(&from), &size);
            if (n <= 0) {
                break;
            }
            if (type_ == SOCK_STREAM) {
                send(fd, buffer.data(), std::size_t(n), MSG_NOSIGNAL);
            } else {
                sendto(fd, buffer.data(), std::size_t(n), 0, reinterpret_cast<sockaddr *>(&from), size);
            }
        }
        if (fd != fd_) {
            close(fd);
        }
    }

    int type_;
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void RoundTrips(benchmark::State &state, uint32_t portType, int socketType)
{
    EchoPeer peer(socketType);
    QLNK_CommContext context{};
    context.portType = portType;
    context.netAddress = kLoopback;
    context.netPort = peer.port();
    context.netTimeout = 2000;
    int32_t status = 0;
    if (QLNK_Open(&context, &status) != 1) {
        state.SkipWithError("open failed");
        return;
    }
    const auto length = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> out(length, 0x5A);
    std::vector<uint8_t> in(length);
    for (auto _ : state) {
        uint32_t count = 0;
        QLNK_SendData(&context.netSocket, out.data(), length, &count, portType, 1000, &status);
        uint32_t got = 0;
        while (got < length && status == QLNK_OK) {
            QLNK_RecvData(&context.netSocket, in.data() + got, length - got, &count, portType, 1000, &status);
            got += count;
        }
        if (status != QLNK_OK) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * length * 2);
    QLNK_CloseComm(&context.netSocket, portType, &status);
}

void BM_TcpRoundTrip(benchmark::State &state)
{
    RoundTrips(state, QLNK_PORT_TCP_RAW, SOCK_STREAM);
}

// Six bytes: the size of the status request the program sends over its UDP channel.
void BM_UdpRoundTrip(benchmark::State &state)
{
    RoundTrips(state, QLNK_PORT_UDP_RAW, SOCK_DGRAM);
}

// Reads and drops everything that arrives on one TCP connection, as a printer's port does.
class DrainPeer {
public:
    DrainPeer()
    {
        listener_ = BoundToLoopback(SOCK_STREAM, &port_);
        listen(listener_, 1);
        thread_ = std::thread([this] { Run(); });
    }
    ~DrainPeer()
    {
        thread_.join();
        close(listener_);
    }
    uint16_t port() const { return port_; }

private:
    // Until the sender closes its end.
    void Run()
    {
        const int fd = accept(listener_, nullptr, nullptr);
        std::vector<uint8_t> buffer(1 << 20);
        while (fd >= 0 && recv(fd, buffer.data(), buffer.size(), 0) > 0) {
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

// One block a call through the library to a draining peer, as the program sends a print job.
void BM_TcpSend(benchmark::State &state)
{
    DrainPeer peer;
    QLNK_CommContext context{};
    context.portType = QLNK_PORT_TCP_RAW;
    context.netAddress = kLoopback;
    context.netPort = peer.port();
    context.netTimeout = 2000;
    int32_t status = 0;
    if (QLNK_Open(&context, &status) != 1) {
        state.SkipWithError("open failed");
        QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status);
        return;
    }
    const auto length = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> block(length, 0x5A);
    for (auto _ : state) {
        uint32_t sent = 0;
        QLNK_SendData(&context.netSocket, block.data(), length, &sent, QLNK_PORT_TCP_RAW, 10000, &status);
        if (status != QLNK_OK || sent != length) {
            state.SkipWithError("send failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * length);
    QLNK_CloseComm(&context.netSocket, QLNK_PORT_TCP_RAW, &status);
}

// The floor for BM_TcpSend: a plain blocking send loop on a connected socket.
void BM_PlainSend(benchmark::State &state)
{
    DrainPeer peer;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    address.sin_port = htons(peer.port());
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        state.SkipWithError("connect failed");
        close(fd);
        return;
    }
    const auto length = static_cast<std::size_t>(state.range(0));
    std::vector<uint8_t> block(length, 0x5A);
    for (auto _ : state) {
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = send(fd, block.data() + done, length - done, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            done += std::size_t(n);
        }
        if (done != length) {
            state.SkipWithError("send failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(length));
    close(fd);
}

}  // namespace

BENCHMARK(BM_TcpRoundTrip)->Arg(6)->Arg(1024)->Arg(32768);
BENCHMARK(BM_UdpRoundTrip)->Arg(6)->Arg(1024);
// Both with the wall clock: the peer's thread does half the work.
BENCHMARK(BM_TcpSend)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->UseRealTime();
BENCHMARK(BM_PlainSend)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->UseRealTime();
