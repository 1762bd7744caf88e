#include "rollvane/link/PrinterClassTransport.h"

#include "platform/SystemError.h"
#include "rollvane/link/LinkCommands.h"

#include <algorithm>
#include <cerrno>

namespace rollvane {

namespace {

constexpr unsigned kRequestTimeoutMs = 5000;
// Vendor request, device to host, to the printer interface: the control request behind the
// printer-class driver's vendor "get" call (request 5, value 0x0500).
constexpr uint8_t kRequestType = 0xC1;

}  // namespace

PrinterClassTransport::PrinterClassTransport(LinkFacilities::DeviceOpener open, std::function<std::string()> choosePath,
                                             std::shared_ptr<platform::UsbBus> bus,
                                             std::shared_ptr<platform::UsbDirectory> directory, LinkJournal &journal)
    : OverlappedTransport(journal, false), open_(std::move(open)), choosePath_(std::move(choosePath)),
      bus_(std::move(bus)), directory_(std::move(directory))
{}

std::string PrinterClassTransport::where() const
{
    return path_.empty() ? "Printer Class" : "Printer Class (" + path_ + ")";
}

int PrinterClassTransport::Open(const std::string & /*port*/)
{
    path_ = choosePath_ ? choosePath_() : std::string();
    if (path_.empty()) {
        journal_.Failed(where(), "open", "no USB printer-class device is present");
        return 0;
    }
    int error = ENOENT;
    if (open_) {
        device_ = open_(path_, &error);
    }
    // Every failed open fails: a node the person may not open ("Permission denied", the usual
    // case before a udev rule gives access) is told at once, not as a time-out of the first send.
    if (!device_) {
        journal_.Failed(where(), "open", error);
        return 0;
    }
    return 1;
}

int PrinterClassTransport::QueryStatus(uint8_t *status)
{
    if (!device_ || !directory_ || !bus_) {
        journal_.Failed(where(), "status request", "the port is not open");
        return 0;
    }
    std::vector<platform::UsbPrinterNode> nodes;
    int error = 0;
    if (!directory_->PrinterNodes(&nodes, &error)) {
        journal_.Failed(where(), "status request", error);
        return 0;
    }
    auto node = std::find_if(nodes.begin(), nodes.end(),
                             [this](const platform::UsbPrinterNode &n) { return n.devnode == path_; });
    if (node == nodes.end()) {
        journal_.Failed(where(), "status request", "the printer is no longer connected");
        return 0;
    }
    platform::UsbDeviceInfo info;
    info.vendorId = node->vendorId;
    info.productId = node->productId;
    info.busNumber = node->busNumber;
    info.deviceAddress = node->deviceAddress;
    auto device = bus_->Open(info, &error);
    if (!device) {
        journal_.Failed(where(), "status request", error);
        return 0;
    }
    int moved = 0;
    if (!device->ControlTransfer(kRequestType, LinkCommands::kVendorStatusRequest, LinkCommands::kVendorStatusValue,
                                 node->interfaceNumber, status, LinkCommands::kPrinterClassStatusLength,
                                 kRequestTimeoutMs, &moved, &error)) {
        journal_.Failed(where(), "status request", error);
        return 0;
    }
    journal_.Received(where(), status, static_cast<std::size_t>(std::max(moved, 0)));
    return 1;
}
}  // namespace rollvane
