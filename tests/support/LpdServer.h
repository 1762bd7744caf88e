#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// LPRng's lpd serving queue "lp1" on 127.0.0.1:port from a folder of its own. LPRng reads only
// its system configuration file, so that file is rewritten for the server's life and put back
// afterwards: tests using this server must not run at the same time.
class LpdServer {
public:
    explicit LpdServer(uint16_t port);
    ~LpdServer();
    LpdServer(const LpdServer &) = delete;
    LpdServer &operator=(const LpdServer &) = delete;

    bool running() const { return ready_; }
    uint16_t port() const { return port_; }
    const std::string &log() const { return log_; }

    // The printed output once it holds at least size bytes, or what it holds when the wait ends.
    std::vector<uint8_t> WaitForOutput(std::size_t size, std::chrono::milliseconds limit) const;
    // The queue's record of job number once it is there ("key=value" lines), as LPRng keeps it.
    std::optional<std::string> WaitForJob(unsigned number, std::chrono::milliseconds limit) const;

private:
    uint16_t port_;
    TempDir dir_;
    std::string log_;
    std::optional<std::string> savedConfig_;
    ChildProcess lpd_;
    bool ready_ = false;
};

}  // namespace testing_support
