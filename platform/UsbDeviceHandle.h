#pragma once

#include <cstdint>

namespace platform {

// An opened USB device (libusb seam). Results are 0 or an errno value.
class UsbDeviceHandle {
public:
    virtual ~UsbDeviceHandle() = default;

    // Claims an interface for bulk transfers, detaching a kernel driver that holds it.
    virtual int ClaimInterface(int number) = 0;
    virtual int ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                                uint16_t length, unsigned timeoutMs, int *transferred) = 0;
    // timeoutMs 0 waits without limit; on a time-out, transferred tells how much moved.
    virtual int BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs) = 0;
};

}  // namespace platform
