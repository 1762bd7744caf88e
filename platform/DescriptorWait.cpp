#include "platform/DescriptorWait.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr uint64_t kLongestMs = 365ull * 24 * 3600 * 1000;

// One poll with timeoutMs (-1: none), interrupted polls restarted by the caller.
int PollOnce(int fd, short events, int timeoutMs, short *revents)
{
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, timeoutMs);
    *revents = p.revents;
    return n;
}

DescriptorWait::Result Judge(short revents, int *error)
{
    if (revents & POLLNVAL) {
        *error = EBADF;
        return DescriptorWait::Result::Failed;
    }
    return DescriptorWait::Result::Ready;
}

}  // namespace

DescriptorWait::Deadline DescriptorWait::After(uint64_t ms)
{
    return SteadyClock::now() + std::chrono::milliseconds(std::min(ms, kLongestMs));
}

int DescriptorWait::MillisecondsUntil(Deadline deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

DescriptorWait::Result DescriptorWait::Until(int fd, short events, Deadline deadline, int *error)
{
    for (;;) {
        const int timeoutMs = MillisecondsUntil(deadline);
        short revents = 0;
        const int n = PollOnce(fd, events, timeoutMs, &revents);
        if (n > 0) {
            return Judge(revents, error);
        }
        if (n < 0 && errno != EINTR) {
            *error = errno;
            return Result::Failed;
        }
        if (n == 0 && timeoutMs == 0) {
            return Result::TimedOut;
        }
        // Interrupted, or woken before the deadline: look again with what is left.
    }
}

DescriptorWait::Result DescriptorWait::Forever(int fd, short events, int *error)
{
    for (;;) {
        short revents = 0;
        const int n = PollOnce(fd, events, -1, &revents);
        if (n > 0) {
            return Judge(revents, error);
        }
        if (n < 0 && errno != EINTR) {
            *error = errno;
            return Result::Failed;
        }
    }
}

}  // namespace platform
