#pragma once

#include "rollvane/link/OrnUsbDriver.h"
#include "rollvane/link/OverlappedTransport.h"

#include <optional>

namespace rollvane {

// USB through the maker's driver: a device handle and a write and a read pipe. The port name
// plays no part; the [DEVICES] entry "ORNUSB" may name the device by its ids. The status byte
// comes from the driver's vendor control read.
class OrnUsbTransport final : public OverlappedTransport {
public:
    // driver may be missing (no USB at all): every operation then fails.
    OrnUsbTransport(OrnUsbDriver *driver, std::optional<std::string> deviceEntry, LinkJournal &journal);
    ~OrnUsbTransport() override;

    std::string where() const override;
    int Open(const std::string &port) override;
    int QueryStatus(uint8_t *status) override;
    void Close() override;
    bool isOpen() const override { return device_ != 0 || writePipe_ != -1 || readPipe_ != -1; }

    intptr_t ornDevice() const { return device_; }
    int32_t ornWritePipe() const { return writePipe_; }
    int32_t ornReadPipe() const { return readPipe_; }

protected:
    platform::OverlappedDevice *writeDevice() override { return driver_ ? driver_->pipe(writePipe_) : nullptr; }
    platform::OverlappedDevice *readDevice() override { return driver_ ? driver_->pipe(readPipe_) : nullptr; }

private:
    OrnUsbDriver *driver_;
    std::optional<std::string> deviceEntry_;
    intptr_t device_ = 0;
    int32_t writePipe_ = -1;
    int32_t readPipe_ = -1;
};

}  // namespace rollvane
