#pragma once

#include "platform/FileDescriptor.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A printer played by a thread from a table of requests and replies: on the network a TCP data
// port and a UDP status port on one address, on a serial line the master of a pseudo-terminal
// whose slave is linked at a path. Whenever the bytes received since the last reply end with a
// request of the table (a status datagram must be the request exactly), that request's reply
// goes back at once: as much of it as the link takes without waiting. The rest is dropped, as
// a printer that is not read loses its replies. Every descriptor is close-on-exec, so programs
// started meanwhile by other threads hold none of them.
class ScriptedPrinter {
public:
    using Replies = std::map<std::vector<uint8_t>, std::vector<uint8_t>>;

    explicit ScriptedPrinter(Replies replies) : replies_(std::move(replies)) {}
    ~ScriptedPrinter();
    ScriptedPrinter(const ScriptedPrinter &) = delete;
    ScriptedPrinter &operator=(const ScriptedPrinter &) = delete;

    // Either one, once; false (with error() set) when the ports or the terminal cannot be had.
    bool ListenOnNetwork(const std::string &address, uint16_t tcpPort = 9100, uint16_t udpPort = 3000);
    bool OfferSerialLine(const std::string &linkPath);
    const std::string &error() const { return error_; }

private:
    // One sender: a TCP client or the terminal, with what it sent since the last reply.
    struct Peer {
        platform::FileDescriptor fd;
        std::vector<uint8_t> received;
    };

    bool Fail(const std::string &what);
    void Serve();
    // Appends what came and answers a request it now ends with.
    void Take(Peer &peer, const uint8_t *data, std::size_t size) const;
    static void SendWhatFits(int fd, const std::vector<uint8_t> &bytes);

    Replies replies_;
    std::string error_;
    platform::FileDescriptor listener_;
    platform::FileDescriptor datagrams_;
    Peer terminal_;  // the pseudo-terminal's master
    // Held open so that the master never sees a hang-up between two users of the line.
    platform::FileDescriptor slave_;
    std::vector<Peer> clients_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testing_support
