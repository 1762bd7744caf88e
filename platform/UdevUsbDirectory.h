#pragma once

#include "platform/UsbDirectory.h"

namespace platform {

// UsbDirectory over libudev.
class UdevUsbDirectory final : public UsbDirectory {
public:
    bool PrinterNodes(std::vector<UsbPrinterNode> *nodes, int *error) override;
    bool PresentDevices(std::vector<UsbPresentDevice> *devices, int *error) override;
};

}  // namespace platform
