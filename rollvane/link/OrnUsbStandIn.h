#pragma once

#include "platform/UsbBus.h"
#include "rollvane/link/OrnUsbDriver.h"
#include "rollvane/link/UsbPipe.h"

#include <map>
#include <memory>

namespace rollvane {

// The stand-in for the maker's USB driver, over libusb: the device is the one the [DEVICES]
// entry names by vendor and product id, else the first with a vendor-specific interface that
// has bulk IN and OUT endpoints; its pipes are those two endpoints.
class OrnUsbStandIn final : public OrnUsbDriver {
public:
    explicit OrnUsbStandIn(std::shared_ptr<platform::UsbBus> bus) : bus_(std::move(bus)) {}

    void SelectDevice(const std::optional<std::string> &entry) override { entry_ = entry; }

    intptr_t OpenDevice(int *lastError) override;
    int32_t OpenPipe(intptr_t device, int32_t interfaceIndex, int32_t direction, int32_t pipeKind) override;
    void CloseDevice(intptr_t device) override;
    int32_t ControlRead(intptr_t device, int32_t direction, int32_t recipient, int32_t request, int32_t value,
                        int32_t index, int32_t length, uint8_t *buffer, uint32_t *count) override;
    int32_t CheckReconnect(intptr_t device) override;
    platform::OverlappedDevice *pipe(int32_t pipe) override;
    void ClosePipe(int32_t pipe) override;

    // "0x1a2b:0x0001" as vendor and product id; false when the text is not of that form.
    static bool ParseIds(const std::string &text, uint16_t *vendorId, uint16_t *productId);

    static constexpr unsigned kControlTimeoutMs = 5000;

private:
    struct Device {
        platform::UsbDeviceInfo info;
        std::unique_ptr<platform::UsbDeviceHandle> handle;
        uint8_t interfaceNumber = 0;
        uint8_t outEndpoint = 0;
        uint8_t inEndpoint = 0;
    };
    struct PipeEntry {
        intptr_t device = 0;
        std::unique_ptr<UsbPipe> pipe;
    };

    // The interface with bulk IN and OUT endpoints (vendor-specific only when asked).
    static bool FindBulkPair(const platform::UsbDeviceInfo &info, bool vendorOnly, uint8_t *interfaceNumber,
                             uint8_t *outEndpoint, uint8_t *inEndpoint);

    std::shared_ptr<platform::UsbBus> bus_;
    std::optional<std::string> entry_;
    std::map<intptr_t, Device> devices_;
    std::map<int32_t, PipeEntry> pipes_;
    intptr_t nextDevice_ = 1;
    int32_t nextPipe_ = 1;
};

}  // namespace rollvane
