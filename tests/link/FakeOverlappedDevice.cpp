#include "tests/link/FakeOverlappedDevice.h"

#include <algorithm>
#include <cstdio>

namespace link_test {

void FakeOverlappedDevice::Log(const std::string &entry)
{
    if (script_.log) {
        script_.log->push_back(script_.name + " " + entry);
    }
}

void FakeOverlappedDevice::DeliverRead()
{
    const std::size_t n = std::min(length_, script_.readData.size());
    std::copy_n(script_.readData.begin(), n, buffer_);
}

platform::OverlappedDevice::Start FakeOverlappedDevice::StartWrite(const uint8_t *data, std::size_t length,
                                                                   std::size_t *transferred, int *error)
{
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", data[i]);
        bytes += hex;
    }
    Log("write" + bytes);
    script_.written.insert(script_.written.end(), data, data + length);
    *transferred = length;
    *error = 0;
    pending_ = script_.writeStart == Start::Pending;
    finished_ = false;
    return script_.writeStart;
}

platform::OverlappedDevice::Start FakeOverlappedDevice::StartRead(uint8_t *buffer, std::size_t length,
                                                                  std::size_t *transferred, int *error)
{
    Log("read " + std::to_string(length));
    buffer_ = buffer;
    length_ = length;
    *error = 0;
    *transferred = 0;
    pending_ = script_.readStart == Start::Pending;
    finished_ = false;
    if (script_.readStart == Start::Completed) {
        DeliverRead();
    }
    return script_.readStart;
}

bool FakeOverlappedDevice::WaitPending(std::chrono::milliseconds timeout)
{
    Log("wait " + std::to_string(timeout.count()));
    if (pending_ && script_.finishesInWait) {
        finished_ = true;
    }
    return !pending_ || finished_;
}

bool FakeOverlappedDevice::PendingResult(bool wait, std::size_t *transferred, int *error)
{
    Log(wait ? "result wait" : "result nowait");
    *transferred = 0;
    *error = 0;
    if (wait) {
        finished_ = true;
    }
    if (!finished_) {
        return false;
    }
    if (buffer_ && script_.pendingSucceeds) {
        DeliverRead();
    }
    return script_.pendingSucceeds;
}

void FakeOverlappedDevice::Cancel()
{
    Log("cancel");
    buffer_ = nullptr;
    pending_ = false;
}

}  // namespace link_test
