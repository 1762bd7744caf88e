#pragma once

#include "platform/UsbDeviceEvent.h"

namespace platform {

// Where USB arrivals and removals come from: a descriptor the event loop watches, and the
// events to read when it is readable. The machine's is UsbDeviceMonitor (udev).
class UsbEventSource {
public:
    virtual ~UsbEventSource() = default;

    virtual int fd() const = 0;
    // The next pending event; false when there is none.
    virtual bool ReadEvent(UsbDeviceEvent *event) = 0;
};

}  // namespace platform
