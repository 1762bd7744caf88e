#pragma once

#include "platform/UsbDeviceHandle.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct UsbEndpointInfo {
    uint8_t address = 0;     // bit 7 set: IN
    uint8_t attributes = 0;  // low two bits 2: bulk
};

struct UsbInterfaceInfo {
    uint8_t number = 0;
    uint8_t interfaceClass = 0;
    std::vector<UsbEndpointInfo> endpoints;
};

struct UsbDeviceInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint8_t busNumber = 0;
    uint8_t deviceAddress = 0;
    std::vector<UsbInterfaceInfo> interfaces;  // of the active configuration, first alternate setting
};

// The USB devices present (libusb seam). Errors as SystemError.h says: false with *error.
class UsbBus {
public:
    virtual ~UsbBus() = default;

    virtual bool Devices(std::vector<UsbDeviceInfo> *devices, int *error) = 0;
    // Opens the device at the bus number and address of info.
    virtual std::unique_ptr<UsbDeviceHandle> Open(const UsbDeviceInfo &info, int *error) = 0;
};

}  // namespace platform
