#include "platform/Clock.h"

namespace platform {

void Clock::SleepUntil(TimePoint deadline)
{
    const TimePoint current = now();
    if (deadline > current) {
        SleepFor(std::chrono::ceil<std::chrono::milliseconds>(deadline - current));
    }
}

void Clock::SleepPastWholeSeconds(int32_t seconds)
{
    const TimePoint end =
        std::chrono::floor<std::chrono::seconds>(now()) + std::chrono::seconds(seconds) + std::chrono::seconds(1);
    while (now() < end) {
        SleepUntil(end);
    }
}

}  // namespace platform
