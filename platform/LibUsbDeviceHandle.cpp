#include "platform/LibUsbDeviceHandle.h"

#include "platform/LibUsbBus.h"

#include <libusb.h>

namespace platform {

LibUsbDeviceHandle::~LibUsbDeviceHandle()
{
    for (int number : claimed_) {
        libusb_release_interface(handle_, number);
    }
    libusb_close(handle_);
}

bool LibUsbDeviceHandle::ClaimInterface(int number, int *error)
{
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    int result = libusb_claim_interface(handle_, number);
    if (result != 0) {
        *error = LibUsbBus::ErrnoFor(result);
        return false;
    }
    claimed_.push_back(number);
    return true;
}

bool LibUsbDeviceHandle::ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                                         uint8_t *data, uint16_t length, unsigned timeoutMs, int *transferred,
                                         int *error)
{
    int result = libusb_control_transfer(handle_, requestType, request, value, index, data, length, timeoutMs);
    *transferred = result > 0 ? result : 0;
    if (result < 0) {
        *error = LibUsbBus::ErrnoFor(result);
        return false;
    }
    return true;
}

bool LibUsbDeviceHandle::BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs,
                                      int *error)
{
    *transferred = 0;
    int result = libusb_bulk_transfer(handle_, endpoint, data, length, transferred, timeoutMs);
    if (result < 0) {
        *error = LibUsbBus::ErrnoFor(result);
        return false;
    }
    return true;
}

}  // namespace platform
