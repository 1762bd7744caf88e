#pragma once

#include "platform/UsbBus.h"

struct libusb_context;

namespace platform {

// UsbBus over libusb-1.0. The library is initialised on first use, so a machine without
// USB pays nothing until a USB link is chosen.
class LibUsbBus final : public UsbBus {
public:
    LibUsbBus() = default;
    ~LibUsbBus() override;
    LibUsbBus(const LibUsbBus &) = delete;
    LibUsbBus &operator=(const LibUsbBus &) = delete;

    bool Devices(std::vector<UsbDeviceInfo> *devices, int *error) override;
    std::unique_ptr<UsbDeviceHandle> Open(const UsbDeviceInfo &info, int *error) override;

    // libusb's error codes as errno values.
    static int ErrnoFor(int libusbError);

private:
    bool Context(libusb_context **context, int *error);

    libusb_context *context_ = nullptr;
};

}  // namespace platform
