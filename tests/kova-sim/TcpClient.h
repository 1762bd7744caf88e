#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A plain blocking-with-time-out TCP client, as a point-of-sale program
// would talk to the printer.
class TcpClient {
public:
    TcpClient() = default;
    ~TcpClient();
    TcpClient(const TcpClient &) = delete;
    TcpClient &operator=(const TcpClient &) = delete;

    bool Connect(const std::string &address, int port);
    bool Send(const Bytes &data);
    // Reads until count bytes arrived, the peer closed, or timeoutMs passed.
    Bytes Receive(size_t count, int timeoutMs = 3000);
    // True when the peer closed the connection within timeoutMs.
    bool ClosedByPeer(int timeoutMs = 3000);
    void Close();
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// One UDP status request; the reply, or nothing within timeoutMs.
std::optional<Bytes> UdpStatus(const std::string &address, int port, int timeoutMs = 1000);
// A TCP port free on the given address at the moment of asking.
int FreePort(const std::string &address);
