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

int LibUsbDeviceHandle::ClaimInterface(int number)
{
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    int result = libusb_claim_interface(handle_, number);
    if (result != 0) {
        return LibUsbBus::ErrnoFor(result);
    }
    claimed_.push_back(number);
    return 0;
}

int LibUsbDeviceHandle::ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                                        uint8_t *data, uint16_t length, unsigned timeoutMs, int *transferred)
{
    int result = libusb_control_transfer(handle_, requestType, request, value, index, data, length, timeoutMs);
    *transferred = result > 0 ? result : 0;
    return result < 0 ? LibUsbBus::ErrnoFor(result) : 0;
}

int LibUsbDeviceHandle::BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs)
{
    *transferred = 0;
    int result = libusb_bulk_transfer(handle_, endpoint, data, length, transferred, timeoutMs);
    return result < 0 ? LibUsbBus::ErrnoFor(result) : 0;
}

}  // namespace platform
