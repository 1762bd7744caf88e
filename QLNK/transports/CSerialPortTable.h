#pragma once

#include "platform/SerialPort.h"

#include <memory>

// The serial ports this library has opened, by descriptor. The caller holds only the
// descriptor; the port object behind it (exclusive lock, applied settings, time-outs) lives
// here from the open to the close.
class CSerialPortTable {
public:
    // Takes the port; its descriptor is the caller's handle.
    static int Add(std::unique_ptr<platform::SerialPort> port);
    // The port behind a descriptor, or null when this library did not open it.
    static std::shared_ptr<platform::SerialPort> Find(int fd);
    // Closes the port behind a descriptor; false when this library did not open it.
    static bool Close(int fd);
};
