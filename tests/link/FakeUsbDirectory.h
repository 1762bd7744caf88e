#pragma once

#include "platform/UsbDirectory.h"

namespace link_test {

// A device database with scripted entries.
class FakeUsbDirectory final : public platform::UsbDirectory {
public:
    int PrinterNodes(std::vector<platform::UsbPrinterNode> *nodes) override
    {
        ++printerQueries;
        *nodes = printers;
        return error;
    }
    int PresentDevices(std::vector<platform::UsbPresentDevice> *devices) override
    {
        *devices = present;
        return error;
    }

    std::vector<platform::UsbPrinterNode> printers;
    std::vector<platform::UsbPresentDevice> present;
    int error = 0;
    int printerQueries = 0;
};

}  // namespace link_test
