#pragma once

#include "rollvane/link/SerialLine.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace link_test {

// The serial write seam: wraps the real port of a pseudo-terminal, moves at most the
// scripted number of bytes per write, and records the line settings handed down.
class ShortWriteSerialLine final : public rollvane::SerialLine {
public:
    struct Script {
        // Per write call, in order: the most bytes it may move (absent: all).
        std::deque<std::size_t> writeLimits;
        // Per write call, in order: whether it reports a device error (after moving its bytes).
        std::deque<bool> writeFails;
        // Requested length of each write call.
        std::vector<std::size_t> writeRequests;
        // The settings read from the port are replaced by this, when set.
        std::optional<platform::Dcb> portState;
        // Whether settings are passed on to the pseudo-terminal (which refuses parity).
        bool applyState = true;
        std::optional<platform::Dcb> appliedState;
        std::vector<platform::CommTimeouts> timeouts;
    };

    ShortWriteSerialLine(std::unique_ptr<rollvane::SerialLine> line, Script &script)
        : line_(std::move(line)), script_(script)
    {}

    bool GetState(platform::Dcb *dcb, int *error) override;
    bool SetState(const platform::Dcb &dcb, int *error) override;
    platform::CommTimeouts timeouts() const override { return line_->timeouts(); }
    bool SetTimeouts(const platform::CommTimeouts &timeouts) override;
    bool Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error) override
    {
        return line_->Read(buffer, length, received, error);
    }
    bool Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error) override;
    bool PurgeReceive() override { return line_->PurgeReceive(); }

private:
    std::unique_ptr<rollvane::SerialLine> line_;
    Script &script_;
};

}  // namespace link_test
