#pragma once

#include "tests/support/PtyPair.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace testing_support {

// A printer played on the master side of a pseudo-terminal by a thread: whenever the bytes
// received so far end with a request it knows, it sends that request's reply. Everything
// received is kept for the test to compare.
class PtyPrinter {
public:
    PtyPrinter();
    ~PtyPrinter();
    PtyPrinter(const PtyPrinter &) = delete;
    PtyPrinter &operator=(const PtyPrinter &) = delete;

    const std::string &slavePath() const { return pty_.slavePath(); }
    // Answer request with reply from now on.
    void Answer(const std::vector<uint8_t> &request, const std::vector<uint8_t> &reply);
    std::vector<uint8_t> received() const;

private:
    void Serve();

    PtyPair pty_;
    mutable std::mutex mutex_;
    std::map<std::vector<uint8_t>, std::vector<uint8_t>> replies_;
    std::vector<uint8_t> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testing_support
