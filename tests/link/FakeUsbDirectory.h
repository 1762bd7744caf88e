#pragma once

#include "platform/UsbDirectory.h"

namespace link_test {

// A device database with scripted entries.
class FakeUsbDirectory final : public platform::UsbDirectory {
public:
    bool PrinterNodes(std::vector<platform::UsbPrinterNode> *nodes, int *errorOut) override
    {
        ++printerQueries;
        *nodes = printers;
        return Result(errorOut);
    }
    bool PresentDevices(std::vector<platform::UsbPresentDevice> *devices, int *errorOut) override
    {
        *devices = present;
        return Result(errorOut);
    }

    std::vector<platform::UsbPrinterNode> printers;
    std::vector<platform::UsbPresentDevice> present;
    // The errno value every query fails with; 0: they succeed.
    int error = 0;
    int printerQueries = 0;

private:
    bool Result(int *errorOut) const
    {
        if (error != 0) {
            *errorOut = error;
            return false;
        }
        return true;
    }
};

}  // namespace link_test
