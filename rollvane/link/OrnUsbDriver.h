#pragma once

#include "platform/OverlappedDevice.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rollvane {

// The five roles the link relies on of the maker's USB driver, plus the pipe I/O that Windows
// did with the file calls on the pipe handles. Device handles are nonzero; pipe
// handles are -1 on failure. "Last error" values are errno values: ENOENT or ENODEV stand for
// "not found", ENOMEM or EAGAIN for "no system resources".
class OrnUsbDriver {
public:
    virtual ~OrnUsbDriver() = default;

    // Which device the next OpenDevice picks: the [DEVICES] ORNUSB entry ("0x1a2b:0x0001"), if any.
    virtual void SelectDevice(const std::optional<std::string> &entry) = 0;

    virtual intptr_t OpenDevice(int *lastError) = 0;
    virtual int32_t OpenPipe(intptr_t device, int32_t interfaceIndex, int32_t direction, int32_t pipeKind) = 0;
    virtual void CloseDevice(intptr_t device) = 0;
    virtual int32_t ControlRead(intptr_t device, int32_t direction, int32_t recipient, int32_t request, int32_t value,
                                int32_t index, int32_t length, uint8_t *buffer, uint32_t *count) = 0;
    virtual int32_t CheckReconnect(intptr_t device) = 0;

    // The pipe behind a handle from OpenPipe, or nullptr.
    virtual platform::OverlappedDevice *pipe(int32_t pipe) = 0;
    virtual void ClosePipe(int32_t pipe) = 0;
};

}  // namespace rollvane
