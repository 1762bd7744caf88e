#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// One request of a conversation and the length of the reply that answers it.
struct ExchangeStep {
    std::vector<uint8_t> request;
    std::size_t replySize = 0;
};

// How one conversation went: the replies of the steps that completed, in order, and the errno
// that ended it early (ETIMEDOUT for a deadline, ECONNRESET for a peer that closed), 0 when every
// step was answered.
struct ExchangeOutcome {
    std::vector<std::vector<uint8_t>> replies;
    int error = 0;
};

// The same short TCP conversation with many peers at once: non-blocking sockets under one poll,
// each connect and each reply bounded by its own deadline, so one silent peer costs its own
// time-outs and never holds the others.
class StreamExchange {
public:
    struct Limits {
        uint32_t connectMs = 1000;
        // From the request's first byte to the reply's last.
        uint32_t replyMs = 2000;
        // Conversations open at the same time; the rest wait for a free place.
        std::size_t atOnce = 128;
    };

    // One outcome per address, in the order of addresses.
    static std::vector<ExchangeOutcome> Run(const std::vector<uint32_t> &addresses, uint16_t port,
                                            const std::vector<ExchangeStep> &steps, const Limits &limits);
};

}  // namespace platform
