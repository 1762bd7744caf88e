#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

// What Configure hands the transport: the serial line settings and the printer's address, as
// the link remembers them (the interface settings of the action, and the link's flow control).
struct LinkSettings {
    int32_t baudRate = 0;
    std::string parity;
    int32_t dataBits = 0;
    int32_t stopBits = 0;
    std::string flowControl;
    uint32_t ipAddress = 0;
};

}  // namespace rollvane
