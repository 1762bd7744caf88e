#pragma once

#include "rollvane/link/LinkType.h"

#include <cstdint>
#include <string>

namespace rollvane {

// The interface settings of the running program: what the Interface Properties dialog shows
// and every action opens the link with. The texts are those shown in, or typed into, the
// dialog's fields.
struct InterfaceSettings {
    std::string portText;
    std::string baudText;
    std::string parityText;
    std::string stopBitsText;
    std::string dataBitsText = "8";
    std::string flowText;
    std::string protocolText;
    std::string netPortText;
    int32_t baudRate = 0;
    int32_t stopBits = 0;
    int32_t dataBits = 8;
    uint32_t ipAddress = 0;
    std::string ipText;
    int32_t linkType = LinkSerial;
};

}  // namespace rollvane
