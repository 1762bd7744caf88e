#pragma once

#include "platform/OverlappedDevice.h"
#include "platform/UsbDeviceHandle.h"

namespace rollvane {

// One bulk endpoint of an open USB device, in the overlapped style. A transfer is started
// on the first wait; what a timed-out write moved is kept and the rest goes on the next wait.
class UsbPipe final : public platform::OverlappedDevice {
public:
    UsbPipe(platform::UsbDeviceHandle &device, uint8_t endpoint) : device_(device), endpoint_(endpoint) {}

    Start StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred, int *error) override;
    Start StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred, int *error) override;
    bool WaitPending(std::chrono::milliseconds timeout) override;
    bool PendingResult(bool wait, std::size_t *transferred, int *error) override;
    void Cancel() override;

    uint8_t endpoint() const { return endpoint_; }

private:
    // One transfer of what is outstanding; true when the operation has finished.
    bool Transfer(unsigned timeoutMs);

    platform::UsbDeviceHandle &device_;
    uint8_t endpoint_;
    bool pending_ = false;
    bool writing_ = false;
    int error_ = 0;
    uint8_t *data_ = nullptr;
    std::size_t length_ = 0;
    std::size_t done_ = 0;
};

}  // namespace rollvane
