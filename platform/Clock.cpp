#include "platform/Clock.h"

namespace platform {

void Clock::sleepUntil(TimePoint deadline)
{
    const TimePoint current = now();
    if (deadline > current) {
        sleepFor(std::chrono::ceil<std::chrono::milliseconds>(deadline - current));
    }
}

}  // namespace platform
