#pragma once

#include <chrono>

namespace platform {

// Time as the printer sequences see it. Long sequences wait through this interface so that
// tests can run them on virtual time.
class Clock {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    virtual ~Clock() = default;

    // Calendar time.
    virtual TimePoint now() const = 0;
    // Blocks for the given time; never spins.
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;

    void sleepUntil(TimePoint deadline);
};

}  // namespace platform
