#pragma once

#include "platform/UsbDeviceHandle.h"

#include <vector>

struct libusb_device_handle;

namespace platform {

// An open libusb device; releases its claimed interfaces and closes when it goes.
class LibUsbDeviceHandle final : public UsbDeviceHandle {
public:
    explicit LibUsbDeviceHandle(libusb_device_handle *handle) : handle_(handle) {}
    ~LibUsbDeviceHandle() override;
    LibUsbDeviceHandle(const LibUsbDeviceHandle &) = delete;
    LibUsbDeviceHandle &operator=(const LibUsbDeviceHandle &) = delete;

    int ClaimInterface(int number) override;
    int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                        uint16_t length, unsigned timeoutMs, int *transferred) override;
    int BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs) override;

private:
    libusb_device_handle *handle_;
    std::vector<int> claimed_;
};

}  // namespace platform
