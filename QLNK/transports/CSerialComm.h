#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>

// The serial port: open with the caller's line settings, and one write or one read per call
// under the time-out record of that call.
class CSerialComm {
public:
    // Opens serialPortName and applies serialDcb; the descriptor goes into serialHandle
    // (-1 when the open failed; it stays open when only the settings were refused).
    static int32_t Open(QLNK_CommContext &context);
    static int32_t Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    // Closes a serial port this library opened. Any other descriptor is left alone (QLNK_E_PARAM),
    // and Send and Receive refuse it the same way.
    static int32_t Close(int32_t *handle);
    // The device path serialPortName opens.
    static std::string Describe(const QLNK_CommContext &context);
};
