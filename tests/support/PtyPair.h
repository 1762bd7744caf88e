#pragma once

#include "platform/FileDescriptor.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A pseudo-terminal pair: the code under test opens slavePath() as its serial port, the test
// plays the printer on the master side.
class PtyPair {
public:
    PtyPair();

    bool valid() const { return master_.valid(); }
    const std::string &slavePath() const { return slavePath_; }
    int master() const { return master_.get(); }

    // Everything that arrives on the master side within the wait (stops early once
    // expected bytes have arrived, when expected > 0).
    std::vector<uint8_t> ReadMaster(std::chrono::milliseconds wait, std::size_t expected = 0);
    void WriteMaster(const std::vector<uint8_t> &bytes);

private:
    platform::FileDescriptor master_;
    // Held open so the master does not see a hang-up while the code under test has the
    // slave closed.
    platform::FileDescriptor slave_;
    std::string slavePath_;
};

}  // namespace testing_support
