#pragma once

#include "platform/SerialSettings.h"

#include <cstddef>
#include <cstdint>

namespace rollvane {

// What the link needs of an open serial port. The real one is SerialPortLine; tests put a
// wrapper here to force short writes and to see the settings handed down.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    virtual bool GetState(platform::Dcb *dcb, int *error) = 0;
    virtual bool SetState(const platform::Dcb &dcb, int *error) = 0;
    virtual platform::CommTimeouts timeouts() const = 0;
    virtual bool SetTimeouts(const platform::CommTimeouts &timeouts) = 0;
    // As platform::SerialPort: false only on a device error; a time-out gives fewer bytes.
    virtual bool Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error) = 0;
    virtual bool Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error) = 0;
    virtual bool PurgeReceive() = 0;
    // Whether the other end has hung up: a written block only says the system took it.
    virtual bool HungUp() const { return false; }
};

}  // namespace rollvane
