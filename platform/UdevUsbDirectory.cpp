#include "platform/UdevUsbDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <libudev.h>
#include <memory>

namespace platform {

namespace {

struct UdevDeleter {
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_enumerate *e) const { udev_enumerate_unref(e); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
};
using Udev = std::unique_ptr<udev, UdevDeleter>;
using Enumerate = std::unique_ptr<udev_enumerate, UdevDeleter>;
using Device = std::unique_ptr<udev_device, UdevDeleter>;

std::string Text(const char *value)
{
    return value ? value : "";
}

unsigned long Number(udev_device *device, const char *attribute, int base)
{
    const char *value = udev_device_get_sysattr_value(device, attribute);
    return value ? std::strtoul(value, nullptr, base) : 0;
}

// The syspaths a scan of one subsystem finds (devtype, when given, must match).
bool Scan(udev *context, const char *subsystem, const char *devtype, std::vector<std::string> *syspaths, int *error)
{
    Enumerate enumerate(udev_enumerate_new(context));
    if (!enumerate) {
        *error = errno ? errno : ENOMEM;
        return false;
    }
    udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
    if (devtype) {
        udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", devtype);
    }
    if (int result = udev_enumerate_scan_devices(enumerate.get()); result < 0) {
        *error = -result;
        return false;
    }
    for (udev_list_entry *entry = udev_enumerate_get_list_entry(enumerate.get()); entry;
         entry = udev_list_entry_get_next(entry)) {
        syspaths->push_back(Text(udev_list_entry_get_name(entry)));
    }
    return true;
}

}  // namespace

bool UdevUsbDirectory::PrinterNodes(std::vector<UsbPrinterNode> *nodes, int *error)
{
    nodes->clear();
    Udev context(udev_new());
    if (!context) {
        *error = errno ? errno : ENOMEM;
        return false;
    }
    std::vector<std::string> syspaths;
    if (!Scan(context.get(), "usbmisc", nullptr, &syspaths, error)) {
        return false;
    }
    for (const std::string &syspath : syspaths) {
        Device device(udev_device_new_from_syspath(context.get(), syspath.c_str()));
        if (!device) {
            continue;  // gone since the scan
        }
        const std::string sysname = Text(udev_device_get_sysname(device.get()));
        const std::string devnode = Text(udev_device_get_devnode(device.get()));
        if (sysname.rfind("lp", 0) != 0 || devnode.empty()) {
            continue;
        }
        // Parents are owned by the child.
        udev_device *interface = udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_interface");
        udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
        if (!usbDevice) {
            continue;
        }
        UsbPrinterNode node;
        node.devnode = devnode;
        node.deviceSyspath = Text(udev_device_get_syspath(usbDevice));
        node.vendorId = static_cast<uint16_t>(Number(usbDevice, "idVendor", 16));
        node.productId = static_cast<uint16_t>(Number(usbDevice, "idProduct", 16));
        node.busNumber = static_cast<uint8_t>(Number(usbDevice, "busnum", 10));
        node.deviceAddress = static_cast<uint8_t>(Number(usbDevice, "devnum", 10));
        node.interfaceNumber = interface ? static_cast<uint8_t>(Number(interface, "bInterfaceNumber", 16)) : 0;
        nodes->push_back(std::move(node));
    }
    return true;
}

bool UdevUsbDirectory::PresentDevices(std::vector<UsbPresentDevice> *devices, int *error)
{
    devices->clear();
    Udev context(udev_new());
    if (!context) {
        *error = errno ? errno : ENOMEM;
        return false;
    }
    std::vector<std::string> syspaths;
    if (!Scan(context.get(), "usb", "usb_device", &syspaths, error)) {
        return false;
    }
    // Without the printer nodes the devices are still reported, each without its node.
    std::vector<UsbPrinterNode> printers;
    int printersError = 0;
    PrinterNodes(&printers, &printersError);
    for (const std::string &syspath : syspaths) {
        Device device(udev_device_new_from_syspath(context.get(), syspath.c_str()));
        if (!device) {
            continue;
        }
        UsbPresentDevice present;
        present.syspath = Text(udev_device_get_syspath(device.get()));
        present.devnode = Text(udev_device_get_devnode(device.get()));
        for (const UsbPrinterNode &printer : printers) {
            if (printer.deviceSyspath == present.syspath) {
                present.printerNode = printer.devnode;
                break;
            }
        }
        devices->push_back(std::move(present));
    }
    return true;
}

}  // namespace platform
