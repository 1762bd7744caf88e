#pragma once

#include "platform/UsbDirectory.h"

namespace platform {

// UsbDirectory over libudev.
class UdevUsbDirectory final : public UsbDirectory {
public:
    int PrinterNodes(std::vector<UsbPrinterNode> *nodes) override;
    int PresentDevices(std::vector<UsbPresentDevice> *devices) override;
};

}  // namespace platform
