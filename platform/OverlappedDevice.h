#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace platform {

// A device written and read in the overlapped style of Windows I/O: an operation
// is started, may stay pending, and its completion is waited for separately with a time-out.
// The buffers given to a start stay in use only until the operation completes or is cancelled;
// the caller cancels a pending read before its buffer goes. Errors are errno values.
class OverlappedDevice {
public:
    enum class Start {
        Completed,
        Failed,
        Pending,
    };

    virtual ~OverlappedDevice() = default;

    virtual Start StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred, int *error) = 0;
    virtual Start StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred, int *error) = 0;
    // Waits up to timeout for the pending operation to finish; true when it has finished.
    virtual bool WaitPending(std::chrono::milliseconds timeout) = 0;
    // The result of the pending operation: true only when it has completed well. With wait,
    // blocks without limit until it finishes.
    virtual bool PendingResult(bool wait, std::size_t *transferred, int *error) = 0;
    // Drops a pending operation; its buffer is not touched afterwards.
    virtual void Cancel() = 0;
};

}  // namespace platform
