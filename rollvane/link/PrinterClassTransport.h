#pragma once

#include "platform/UsbBus.h"
#include "platform/UsbDirectory.h"
#include "rollvane/link/LinkFacilities.h"
#include "rollvane/link/OverlappedTransport.h"

#include <functional>
#include <memory>

namespace rollvane {

// A USB printer-class node (usblp), the first the link knows of, opened as a device file. Its
// status byte comes from the printer-class vendor request, sent to the USB device behind the node.
class PrinterClassTransport final : public OverlappedTransport {
public:
    // choosePath: the node to open, from the link's USB bookkeeping; empty when none is known.
    PrinterClassTransport(LinkFacilities::DeviceOpener open, std::function<std::string()> choosePath,
                          std::shared_ptr<platform::UsbBus> bus, std::shared_ptr<platform::UsbDirectory> directory,
                          LinkJournal &journal);

    std::string where() const override;
    int Open(const std::string &port) override;
    int QueryStatus(uint8_t *status) override;

private:
    LinkFacilities::DeviceOpener open_;
    std::function<std::string()> choosePath_;
    std::shared_ptr<platform::UsbBus> bus_;
    std::shared_ptr<platform::UsbDirectory> directory_;
    std::string path_;
};

}  // namespace rollvane
