#pragma once

#include <cstdint>

namespace platform {

// An opened USB device (libusb seam). Errors as SystemError.h says: false with *error.
class UsbDeviceHandle {
public:
    virtual ~UsbDeviceHandle() = default;

    // Claims an interface for bulk transfers, detaching a kernel driver that holds it.
    virtual bool ClaimInterface(int number, int *error) = 0;
    virtual bool ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                                 uint16_t length, unsigned timeoutMs, int *transferred, int *error) = 0;
    // timeoutMs 0 waits without limit; on a time-out (false, ETIMEDOUT), transferred tells how
    // much moved.
    virtual bool BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs,
                              int *error) = 0;
};

}  // namespace platform
