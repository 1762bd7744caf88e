#pragma once

#include "platform/Clock.h"

#include <vector>

namespace platform {

// A clock for tests: sleeping moves its time forward at once and is recorded.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(TimePoint start = TimePoint{} + std::chrono::hours(24 * 365 * 50));

    TimePoint now() const override;
    void SleepFor(std::chrono::milliseconds duration) override;

    void Advance(std::chrono::milliseconds duration);
    const std::vector<std::chrono::milliseconds> &sleeps() const { return sleeps_; }
    std::chrono::milliseconds totalSlept() const;

private:
    TimePoint current_;
    std::vector<std::chrono::milliseconds> sleeps_;
};

}  // namespace platform
