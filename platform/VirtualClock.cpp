#include "platform/VirtualClock.h"

namespace platform {

VirtualClock::VirtualClock(TimePoint start) : current_(start) {}

Clock::TimePoint VirtualClock::now() const
{
    return current_;
}

void VirtualClock::SleepFor(std::chrono::milliseconds duration)
{
    sleeps_.push_back(duration);
    if (duration.count() > 0) {
        current_ += duration;
    }
}

void VirtualClock::Advance(std::chrono::milliseconds duration)
{
    current_ += duration;
}

std::chrono::milliseconds VirtualClock::totalSlept() const
{
    std::chrono::milliseconds total{0};
    for (auto sleep : sleeps_) {
        total += sleep;
    }
    return total;
}

}  // namespace platform
