#pragma once

#include "platform/OverlappedDevice.h"

#include <string>
#include <vector>

namespace link_test {

// How a fake overlapped device behaves, and what it saw. Owned by the test, so it outlives
// the device the link closes.
struct OverlappedScript {
    platform::OverlappedDevice::Start writeStart = platform::OverlappedDevice::Start::Completed;
    platform::OverlappedDevice::Start readStart = platform::OverlappedDevice::Start::Completed;
    // Whether a pending operation finishes within a limited wait, and how it ends.
    bool finishesInWait = true;
    bool pendingSucceeds = true;
    std::vector<uint8_t> readData;
    std::vector<uint8_t> written;
    std::vector<std::string> *log = nullptr;
    std::string name = "device";
    int opens = 0;
    int closes = 0;
};

// A device node with no device behind it here (ppdev, usblp): the link's overlapped rules
// run against it, and every call is logged.
class FakeOverlappedDevice final : public platform::OverlappedDevice {
public:
    explicit FakeOverlappedDevice(OverlappedScript &script) : script_(script) { ++script_.opens; }
    ~FakeOverlappedDevice() override
    {
        ++script_.closes;
        Log("close");
    }

    Start StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred, int *error) override;
    Start StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred, int *error) override;
    bool WaitPending(std::chrono::milliseconds timeout) override;
    bool PendingResult(bool wait, std::size_t *transferred, int *error) override;
    void Cancel() override;

private:
    void Log(const std::string &entry);
    void DeliverRead();

    OverlappedScript &script_;
    bool pending_ = false;
    bool finished_ = false;
    uint8_t *buffer_ = nullptr;
    std::size_t length_ = 0;
};

}  // namespace link_test
