#include "platform/UsbDeviceMonitor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>

namespace platform {

std::unique_ptr<UsbDeviceMonitor> UsbDeviceMonitor::Create(int *error)
{
    errno = 0;
    udev *context = udev_new();
    if (!context) {
        *error = errno ? errno : ENOMEM;
        return nullptr;
    }
    errno = 0;
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor) {
        *error = errno ? errno : ENOMEM;
        udev_unref(context);
        return nullptr;
    }
    std::unique_ptr<UsbDeviceMonitor> result(new UsbDeviceMonitor(context, monitor));
    // Whole USB devices only, filtered in the kernel's socket filter rather than after reading.
    int code = udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device");
    if (code >= 0) {
        code = udev_monitor_enable_receiving(monitor);
    }
    if (code < 0) {
        *error = -code;
        return nullptr;
    }
    // The event loop reads until nothing is left: a read must never block. libudev leaves
    // the socket's mode to the caller.
    const int fd = udev_monitor_get_fd(monitor);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        *error = errno;
        return nullptr;
    }
    *error = 0;
    return result;
}

UsbDeviceMonitor::~UsbDeviceMonitor()
{
    udev_monitor_unref(monitor_);
    udev_unref(context_);
}

int UsbDeviceMonitor::fd() const
{
    return udev_monitor_get_fd(monitor_);
}

bool UsbDeviceMonitor::ReadEvent(UsbDeviceEvent *event)
{
    udev_device *device = udev_monitor_receive_device(monitor_);
    if (!device) {
        return false;
    }
    auto text = [](const char *value) { return std::string(value ? value : ""); };
    const std::string action = text(udev_device_get_action(device));
    event->kind = action == "add"      ? UsbDeviceEvent::Kind::Arrival
                  : action == "remove" ? UsbDeviceEvent::Kind::Removal
                                       : UsbDeviceEvent::Kind::Other;
    event->devtype = text(udev_device_get_devtype(device));
    event->syspath = text(udev_device_get_syspath(device));
    event->sysname = text(udev_device_get_sysname(device));
    event->devnode = text(udev_device_get_devnode(device));
    udev_device_unref(device);
    return true;
}

}  // namespace platform
