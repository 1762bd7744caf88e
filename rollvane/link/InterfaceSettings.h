#pragma once

#include "rollvane/link/LinkType.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rollvane {

// The interface settings of the running program: what the Interface Properties dialog shows
// and every action opens the link with. The texts are those shown in, or typed into, the
// dialog's fields.
struct InterfaceSettings {
    // The texts the serial fields accept, compared exactly. The dialog's baud-rate list offers
    // the first five; the printer's own settings accept all eight.
    static constexpr std::array<std::string_view, 8> kBaudTexts = {"115200", "57600", "38400", "19200",
                                                                   "9600",   "4800",  "2400",  "1200"};
    static constexpr std::size_t kListedBaudTexts = 5;
    static constexpr std::array<std::string_view, 3> kParityTexts = {"NONE", "ODD", "EVEN"};
    static constexpr std::array<std::string_view, 2> kStopBitsTexts = {"1", "2"};
    static constexpr std::array<std::string_view, 2> kDataBitsTexts = {"7", "8"};
    static constexpr std::array<std::string_view, 2> kFlowTexts = {"Xon/Xoff", "DTR/DSR"};

    // Whether text is one of texts, exactly.
    template <std::size_t N>
    static bool Accepts(const std::array<std::string_view, N> &texts, const std::string &text)
    {
        for (std::string_view accepted : texts) {
            if (accepted == text) {
                return true;
            }
        }
        return false;
    }

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

    // Whether other reaches the same printer the same way: the same port, address and line.
    bool sameLinkAs(const InterfaceSettings &other) const
    {
        return portText == other.portText && ipAddress == other.ipAddress && baudText == other.baudText &&
               parityText == other.parityText && stopBitsText == other.stopBitsText &&
               dataBitsText == other.dataBitsText && flowText == other.flowText && linkType == other.linkType;
    }
};

}  // namespace rollvane
