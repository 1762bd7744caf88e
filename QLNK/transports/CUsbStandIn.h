#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>

// Stands in for the USB transports (printer class, HID output and feature reports) until they
// are built: the device search finds nothing, and no handle can have come from this library,
// so whatever a USB handle field holds belongs to someone else and is neither used nor closed.
class CUsbStandIn {
public:
    // QLNK_E_OPEN with ENODEV; usbHandle is left as it was.
    static int32_t OpenPrinter(QLNK_CommContext &context);
    // The HID search clears usbHandle to -1 before it looks; then as OpenPrinter.
    static int32_t OpenHid(QLNK_CommContext &context);
    // QLNK_E_SYSTEM with ENODEV, touching nothing.
    static int32_t Send(int handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t Receive(int handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    static int32_t Close(int32_t *handle);
    // "vendor 1A2B product 0001".
    static std::string Describe(const QLNK_CommContext &context);
};
