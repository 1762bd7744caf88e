#pragma once

#include "platform/TraceLog.h"

#include <cstdint>
#include <string>

namespace rollvane {

// What the link keeps for the person: the cause of its last failure, shown beside the message
// that reports it, and the opt-in trace of every open, configure, close and block. The
// transports report to it; PrinterLink forgets the cause at each Open, so a cause always
// belongs to the action that is running.
class LinkJournal {
public:
    explicit LinkJournal(platform::TraceLog &trace) : trace_(trace) {}

    // A failure of operation on where ("COM3 (/dev/ttyUSB0)", "LAN 127.0.0.1:9100"): the system's
    // text of error, or a reason of the link's own ("no reply within 1000 ms"), and a hint
    // for the person when there is one.
    void Failed(const std::string &where, const std::string &operation, int error, const std::string &hint = {});
    void Failed(const std::string &where, const std::string &operation, const std::string &reason,
                const std::string &hint = {});
    void Forget() { cause_.clear(); }
    // "COM3 (/dev/ttyUSB0): open: Permission denied", or empty when nothing failed.
    const std::string &cause() const { return cause_; }

    bool tracing() const { return trace_.on(); }
    void Trace(const std::string &text) { trace_.Write(text); }
    // "WHERE send 2 bytes: 1B 68" and "WHERE recv 1 byte: 00"; only when tracing.
    void Sent(const std::string &where, const uint8_t *data, std::size_t length);
    void Received(const std::string &where, const uint8_t *data, std::size_t length);

    // Counted whether or not tracing is on: "2 blocks sent (8 bytes), 2 received (9 bytes),
    // 0 failures".
    std::string Summary() const;

private:
    platform::TraceLog &trace_;
    std::string cause_;
    std::size_t blocksSent_ = 0;
    std::size_t bytesSent_ = 0;
    std::size_t blocksReceived_ = 0;
    std::size_t bytesReceived_ = 0;
    std::size_t failures_ = 0;
};

}  // namespace rollvane
