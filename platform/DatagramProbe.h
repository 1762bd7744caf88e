#pragma once

#include "platform/FileDescriptor.h"

#include <cstdint>
#include <vector>

namespace platform {

// One datagram that came back, with the IPv4 address it came from (host order).
struct ProbeReply {
    uint32_t source = 0;
    std::vector<uint8_t> bytes;
};

// One UDP socket that may send to broadcast addresses: the same datagram to many destinations,
// then whatever comes back until a deadline. Sending and collecting share one poll loop, so
// replies are read while the rest is still going out and a long list cannot overflow the
// socket's receive buffer.
class DatagramProbe {
public:
    // A non-blocking UDP socket with SO_BROADCAST. False with *error (errno).
    bool Open(int *error);
    int descriptor() const { return socket_.get(); }

    // Sends data to port of every destination, and collects replies until timeoutMs after the
    // last datagram went out. A destination the system refuses (no route, a broadcast it does
    // not allow) is passed over; false with *error (errno of the first refusal) only when not
    // one datagram went out. Errors the network reports back (port unreachable) do not end the
    // collection.
    bool Exchange(const std::vector<uint32_t> &destinations, uint16_t port, const std::vector<uint8_t> &data,
                  uint32_t timeoutMs, std::vector<ProbeReply> *replies, int *error);

private:
    // Sends from *next on until the socket is full, counting what went out and the first refusal.
    void SendSome(const std::vector<uint32_t> &destinations, uint16_t port, const std::vector<uint8_t> &data,
                  std::size_t *next, std::size_t *sent, int *firstError);
    void ReceiveAll(std::vector<ProbeReply> *replies);

    FileDescriptor socket_;
};

}  // namespace platform
