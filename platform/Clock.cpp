#include "platform/Clock.h"

namespace platform {

void Clock::sleepUntil(TimePoint deadline)
{
    const TimePoint current = now();
    if (deadline > current) {
        sleepFor(std::chrono::ceil<std::chrono::milliseconds>(deadline - current));
    }
}

void Clock::sleepPastWholeSeconds(int32_t seconds)
{
    const TimePoint end =
        std::chrono::floor<std::chrono::seconds>(now()) + std::chrono::seconds(seconds) + std::chrono::seconds(1);
    while (now() < end) {
        sleepUntil(end);
    }
}

}  // namespace platform
