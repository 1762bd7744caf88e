#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// Waiting for a descriptor with a deadline, by one rule for every caller:
// - a wait interrupted by a signal goes on with the time that is left;
// - an error or hang-up on the descriptor counts as ready, so that the read, write or socket
//   query that follows reports the descriptor's own error;
// - a deadline already passed still looks once, so what is already there is seen;
// - Failed only when poll itself fails (EBADF for a descriptor that is not open).
class DescriptorWait {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Result {
        Ready,
        TimedOut,
        Failed,
    };

    // The deadline ms milliseconds from now; far-off values are clamped to a year.
    static Deadline After(uint64_t ms);
    // What is left until deadline as a poll time-out: rounded up, so that a wait never ends a
    // fraction of a millisecond early; 0 once it has passed.
    static int MillisecondsUntil(Deadline deadline);
    // Waits for events (POLLIN, POLLOUT) on fd until deadline. On Failed, *error holds errno.
    static Result Until(int fd, short events, Deadline deadline, int *error);
    // Waits without a deadline.
    static Result Forever(int fd, short events, int *error);
};

}  // namespace platform
