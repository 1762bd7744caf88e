#pragma once

#include "platform/UsbBus.h"

#include <string>
#include <vector>

namespace link_test {

// A USB bus with scripted devices; every call on it and on the devices it opens is logged.
class FakeUsbBus final : public platform::UsbBus {
public:
    explicit FakeUsbBus(std::vector<std::string> &log) : log_(log) {}

    bool Devices(std::vector<platform::UsbDeviceInfo> *devices, int *error) override;
    std::unique_ptr<platform::UsbDeviceHandle> Open(const platform::UsbDeviceInfo &info, int *error) override;

    // A device with one vendor-specific interface (bulk OUT 0x02, bulk IN 0x81).
    static platform::UsbDeviceInfo VendorDevice(uint16_t vendorId, uint16_t productId, uint8_t bus, uint8_t address);

    std::vector<platform::UsbDeviceInfo> devices;
    // The errno values Devices and Open fail with; 0: they succeed.
    int devicesError = 0;
    int openError = 0;
    // The control request's answer, or its errno value.
    std::vector<uint8_t> controlReply;
    int controlError = 0;
    // What bulk IN transfers deliver; empty: they time out.
    std::vector<uint8_t> bulkInData;
    // Per bulk OUT transfer, in order: the most bytes it moves before timing out (absent: all).
    std::vector<int> bulkOutLimits;
    // Everything bulk OUT transfers moved.
    std::vector<uint8_t> bulkOut;

private:
    std::vector<std::string> &log_;
};

}  // namespace link_test
