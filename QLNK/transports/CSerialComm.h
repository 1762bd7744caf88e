#pragma once

#include <qlnk.h>

#include <cstdint>

// The serial port: open with the caller's line settings, and one write or one read per call
// under the time-out record of that call. Short-lived, one per exported call.
class CSerialComm {
public:
    // Opens serialPortName and applies serialDcb; the descriptor goes into serialHandle
    // (-1 when the open failed; it stays open when only the settings were refused).
    int32_t Open(QLNK_CommContext &context);
    int32_t Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    int32_t Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
};
