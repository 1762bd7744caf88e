#pragma once

#include <chrono>
#include <cstdint>

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
    virtual void SleepFor(std::chrono::milliseconds duration) = 0;

    void SleepUntil(TimePoint deadline);
    // Until the calendar's whole second is later than now's whole second plus seconds: between
    // seconds and seconds + 1, and for 0 until the next whole second begins.
    void SleepPastWholeSeconds(int32_t seconds);
};

}  // namespace platform
