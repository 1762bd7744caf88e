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

// What the Interface Properties dialog keeps for COM3 at 115200 baud, 8 data bits, no parity,
// one stop bit and Xon/Xoff: the texts it shows and the numbers it took from them.
inline rollvane::InterfaceSettings Com3Settings()
{
    rollvane::InterfaceSettings settings = SerialSettings("COM3", 115200, "NONE", 8, 1);
    settings.baudText = "115200";
    settings.stopBitsText = "1";
    settings.flowText = "Xon/Xoff";
    return settings;
}

}  // namespace link_test
