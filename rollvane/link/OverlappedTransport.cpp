#include "rollvane/link/OverlappedTransport.h"

#include <cerrno>

namespace rollvane {

namespace {

constexpr std::chrono::milliseconds kWriteWait{5000};
constexpr std::chrono::milliseconds kReadWait{10000};

using Start = platform::OverlappedDevice::Start;

}  // namespace

bool OverlappedTransport::NotFoundOrNoResources(int error)
{
    return error == ENOENT || error == ENODEV || error == ENXIO || error == ENOMEM || error == EAGAIN;
}

int OverlappedTransport::Send(const uint8_t *data, uint32_t length, bool /*bulk*/)
{
    platform::OverlappedDevice *device = writeDevice();
    if (!device) {
        journal_.Failed(where(), "send", "the port is not open");
        return 0;
    }
    journal_.Sent(where(), data, length);
    std::size_t moved = 0;
    int error = 0;
    const Start start = device->StartWrite(data, length, &moved, &error);
    if (waitAfterWrite_) {
        device->WaitPending(kWriteWait);
    }
    // A write the device refused outright sent nothing; it must not read as sent.
    if (start != Start::Pending) {
        if (start == Start::Failed) {
            journal_.Failed(where(), "send", error);
        }
        return start == Start::Completed ? 1 : 0;
    }
    if (!device->PendingResult(true, &moved, &error)) {
        journal_.Failed(where(), "send", error);
        return 0;
    }
    return 1;
}

int OverlappedTransport::Receive(uint8_t *buffer, uint32_t length)
{
    platform::OverlappedDevice *device = readDevice();
    if (!device) {
        journal_.Failed(where(), "receive", "the port is not open");
        return 0;
    }
    std::size_t moved = 0;
    int error = 0;
    const Start start = device->StartRead(buffer, length, &moved, &error);
    device->WaitPending(kReadWait);
    // A refused read delivered nothing; the caller's buffer holds no reply.
    if (start != Start::Pending) {
        if (start == Start::Failed) {
            journal_.Failed(where(), "receive", error);
            return 0;
        }
        journal_.Received(where(), buffer, moved);
        return 1;
    }
    if (device->PendingResult(false, &moved, &error)) {
        journal_.Received(where(), buffer, moved);
        return 1;
    }
    // The read must not outlive the caller's buffer.
    device->Cancel();
    journal_.Failed(where(), "receive", "no reply within " + std::to_string(kReadWait.count()) + " ms");
    return 0;
}

}  // namespace rollvane
