#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A present USB printer-class node (usblp) and the USB device it belongs to.
struct UsbPrinterNode {
    std::string devnode;        // /dev/usb/lp0
    std::string deviceSyspath;  // syspath of the parent usb_device
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint8_t busNumber = 0;
    uint8_t deviceAddress = 0;
    uint8_t interfaceNumber = 0;
};

// A present USB device (devtype usb_device).
struct UsbPresentDevice {
    std::string syspath;
    std::string devnode;
    std::string printerNode;  // its usblp node, if it has one now
};

// The device database (libudev seam). Errors as SystemError.h says: false with *error.
class UsbDirectory {
public:
    virtual ~UsbDirectory() = default;

    // Present nodes of subsystem usbmisc that are USB printers.
    virtual bool PrinterNodes(std::vector<UsbPrinterNode> *nodes, int *error) = 0;
    // Present devices of subsystem usb.
    virtual bool PresentDevices(std::vector<UsbPresentDevice> *devices, int *error) = 0;
};

}  // namespace platform
