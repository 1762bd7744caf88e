#pragma once

#include <string>

namespace platform {

// One USB device event from the udev monitor (subsystem "usb").
struct UsbDeviceEvent {
    enum class Kind {
        Arrival,  // action "add"
        Removal,  // action "remove"
        Other,    // bind, unbind, change, ...
    };

    Kind kind = Kind::Other;
    std::string devtype;  // "usb_device" or "usb_interface"
    std::string syspath;  // /sys/devices/.../1-1
    std::string sysname;  // "1-1"; root hubs are "usb1", "usb2", ...
    std::string devnode;  // /dev/bus/usb/001/002, empty for interfaces
};

}  // namespace platform
