#include "rollvane/link/StatusMeaning.h"

#include "rollvane/link/LinkCommands.h"

#include <cstdio>

namespace rollvane {

std::string StatusMeaning::Hex(uint8_t status)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", status);
    return text;
}

std::string StatusMeaning::Text(uint8_t status)
{
    if (status == LinkCommands::kNoStatus) {
        return "busy: no status";
    }
    if ((status & LinkCommands::kBusyBit) != 0) {
        return "busy: check the printer";
    }
    return status == 0 ? "ready" : "ready, other bits " + Hex(status);
}

std::string StatusMeaning::Line(uint8_t status)
{
    return Hex(status) + " " + Text(status);
}

}  // namespace rollvane
