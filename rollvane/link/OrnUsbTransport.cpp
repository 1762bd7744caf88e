#include "rollvane/link/OrnUsbTransport.h"

#include "rollvane/link/LinkCommands.h"

#include <cerrno>

namespace rollvane {

OrnUsbTransport::OrnUsbTransport(OrnUsbDriver *driver, std::optional<std::string> deviceEntry, LinkJournal &journal)
    : OverlappedTransport(journal, true), driver_(driver), deviceEntry_(std::move(deviceEntry))
{}

OrnUsbTransport::~OrnUsbTransport()
{
    if (isOpen()) {
        Close();
    }
}

std::string OrnUsbTransport::where() const
{
    return deviceEntry_ ? "ORNUSB (" + *deviceEntry_ + ")" : "ORNUSB";
}

int OrnUsbTransport::Open(const std::string & /*port*/)
{
    if (!driver_) {
        journal_.Failed(where(), "open", "no USB access on this machine");
        return 0;
    }
    driver_->SelectDevice(deviceEntry_);
    int lastError = 0;
    device_ = driver_->OpenDevice(&lastError);
    if (NotFoundOrNoResources(lastError)) {
        journal_.Failed(where(), "open", lastError);
        return 0;
    }
    writePipe_ = driver_->OpenPipe(device_, 0, 1, 1);
    if (writePipe_ == -1) {
        journal_.Failed(where(), "open", "the write pipe did not open");
        return 0;
    }
    readPipe_ = driver_->OpenPipe(device_, 0, 0, 1);
    if (readPipe_ == -1) {
        journal_.Failed(where(), "open", "the read pipe did not open");
        return 0;
    }
    return 1;
}

int OrnUsbTransport::QueryStatus(uint8_t *status)
{
    if (!driver_) {
        return 0;
    }
    uint32_t count = 0;
    const int32_t result =
        driver_->ControlRead(device_, 1, 0, LinkCommands::kVendorStatusRequest, LinkCommands::kVendorStatusValue,
                             LinkCommands::kVendorStatusIndex, LinkCommands::kVendorStatusLength, status, &count);
    // Only "done, nothing read" is a failure; a failed read leaves 0xFF, which reads as busy.
    if (result == 1 && count == 0) {
        journal_.Failed(where(), "status request", "the printer answered with no byte");
        return 0;
    }
    journal_.Received(where(), status, count);
    return 1;
}

void OrnUsbTransport::Close()
{
    if (!driver_) {
        return;
    }
    if (writePipe_ != -1) {
        driver_->ClosePipe(writePipe_);
        writePipe_ = -1;
    }
    if (readPipe_ != -1) {
        driver_->ClosePipe(readPipe_);
        readPipe_ = -1;
    }
    driver_->CloseDevice(device_);
    device_ = 0;
}
}  // namespace rollvane
