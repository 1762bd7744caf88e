#include "platform/RealClock.h"

#include <thread>

namespace platform {

Clock::TimePoint RealClock::now() const
{
    return std::chrono::system_clock::now();
}

void RealClock::SleepFor(std::chrono::milliseconds duration)
{
    if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

}  // namespace platform
