#pragma once

#include "platform/UsbEventSource.h"

#include <memory>

struct udev;
struct udev_monitor;

namespace platform {

// USB arrivals and removals from udev (subsystem "usb"). The event loop watches fd() and
// calls ReadEvent when it is readable.
class UsbDeviceMonitor final : public UsbEventSource {
public:
    // Nothing when the monitor cannot be set up; error then holds the errno value.
    static std::unique_ptr<UsbDeviceMonitor> Create(int *error);

    ~UsbDeviceMonitor() override;
    UsbDeviceMonitor(const UsbDeviceMonitor &) = delete;
    UsbDeviceMonitor &operator=(const UsbDeviceMonitor &) = delete;

    int fd() const override;
    // The next pending event; false when there is none.
    bool ReadEvent(UsbDeviceEvent *event) override;

private:
    UsbDeviceMonitor(udev *context, udev_monitor *monitor) : context_(context), monitor_(monitor) {}

    udev *context_;
    udev_monitor *monitor_;
};

}  // namespace platform
