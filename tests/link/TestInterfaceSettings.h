#pragma once

#include "rollvane/link/InterfaceSettings.h"

#include <cstdint>
#include <string>

namespace link_test {

// The interface settings an action configures the link with, for a network or a serial port.
inline rollvane::InterfaceSettings LanSettings(uint32_t address)
{
    rollvane::InterfaceSettings settings;
    settings.portText = "LAN";
    settings.ipAddress = address;
    return settings;
}

inline rollvane::InterfaceSettings SerialSettings(const std::string &port, int32_t baudRate, const std::string &parity,
                                                  int32_t dataBits, int32_t stopBits)
{
    rollvane::InterfaceSettings settings;
    settings.portText = port;
    settings.baudRate = baudRate;
    settings.parityText = parity;
    settings.dataBits = dataBits;
    settings.stopBits = stopBits;
    return settings;
}

}  // namespace link_test
