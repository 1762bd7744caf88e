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

    bool ClaimInterface(int number, int *error) override;
    bool ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                         uint16_t length, unsigned timeoutMs, int *transferred, int *error) override;
    bool BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs,
                      int *error) override;

private:
    libusb_device_handle *handle_;
    std::vector<int> claimed_;
};

}  // namespace platform
