#include "rollvane/link/UsbPipe.h"

#include <cerrno>
#include <climits>

namespace rollvane {

platform::OverlappedDevice::Start UsbPipe::StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred,
                                                      int *error)
{
    // libusb keeps the buffer non-const for both directions; a write never changes it.
    data_ = const_cast<uint8_t *>(data);
    writing_ = true;
    length_ = length;
    done_ = 0;
    error_ = 0;
    pending_ = true;
    *transferred = 0;
    *error = 0;
    return Start::Pending;
}

platform::OverlappedDevice::Start UsbPipe::StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred,
                                                     int *error)
{
    data_ = buffer;
    writing_ = false;
    length_ = length;
    done_ = 0;
    error_ = 0;
    pending_ = true;
    *transferred = 0;
    *error = 0;
    return Start::Pending;
}

bool UsbPipe::Transfer(unsigned timeoutMs)
{
    const std::size_t left = length_ - done_;
    const int chunk = left > INT_MAX ? INT_MAX : static_cast<int>(left);
    int moved = 0;
    int error = 0;
    const bool ok = device_.BulkTransfer(endpoint_, data_ + done_, chunk, &moved, timeoutMs, &error);
    done_ += static_cast<std::size_t>(moved > 0 ? moved : 0);
    if (!ok && error == ETIMEDOUT) {
        // A read is done with what arrived; a write goes on with the rest.
        if (!writing_ && done_ > 0) {
            return true;
        }
        if (writing_ && done_ >= length_) {
            return true;
        }
        return false;
    }
    if (!ok) {
        error_ = error;
        return true;
    }
    return !writing_ || done_ >= length_;
}

bool UsbPipe::WaitPending(std::chrono::milliseconds timeout)
{
    if (!pending_) {
        return true;
    }
    // libusb reads 0 as "no limit"; a wait of 0 ms still gives the transfer a moment.
    unsigned ms = timeout.count() <= 0 ? 1u : static_cast<unsigned>(timeout.count());
    if (Transfer(ms)) {
        pending_ = false;
    }
    return !pending_;
}

bool UsbPipe::PendingResult(bool wait, std::size_t *transferred, int *error)
{
    while (pending_ && wait) {
        if (Transfer(0)) {
            pending_ = false;
        }
    }
    *transferred = done_;
    *error = pending_ ? EINPROGRESS : error_;
    return !pending_ && error_ == 0;
}

void UsbPipe::Cancel()
{
    pending_ = false;
    data_ = nullptr;
}

}  // namespace rollvane
