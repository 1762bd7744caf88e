#pragma once

#include <array>
#include <cstdint>

namespace rollvane {

// The link's own printer commands and replies.
struct LinkCommands {
    // ESC h: the status byte.
    static constexpr std::array<uint8_t, 2> kStatusRequest{0x1B, 0x68};
    // ESC v: the paper-sensor byte.
    static constexpr std::array<uint8_t, 2> kPaperSensorRequest{0x1B, 0x76};
    // The status request on the network status channel; the status is the fifth reply byte.
    static constexpr std::array<uint8_t, 6> kNetworkStatusRequest{0x00, 0x00, 0x00, 0x00, 0x1B, 0x68};
    static constexpr std::size_t kNetworkStatusReplySize = 8;
    static constexpr std::size_t kNetworkStatusIndex = 4;
    // DLE, sent before an error is reported to release the printer from the action.
    static constexpr std::array<uint8_t, 1> kErrorRelease{0x10};
    // Ends the test page's paper-width check; sent again when that page reports a time-out.
    static constexpr std::array<uint8_t, 4> kPaperWidthCheckEnd{0x1F, 0x7A, 0x74, 0x00};

    // Paper-sensor bits, in the order they are tested.
    static constexpr uint8_t kPaperOutBit = 0x04;
    static constexpr uint8_t kKnifeJamBit = 0x08;
    static constexpr uint8_t kCoverOpenBit = 0x02;
    // Status byte: busy or in error.
    static constexpr uint8_t kBusyBit = 0x08;
    static constexpr uint8_t kNoStatus = 0xFF;

    // ORNUSB status: vendor request 5, value 0x0500, index 0, 64 bytes.
    static constexpr uint8_t kVendorStatusRequest = 5;
    static constexpr uint16_t kVendorStatusValue = 0x0500;
    static constexpr uint16_t kVendorStatusIndex = 0;
    static constexpr uint16_t kVendorStatusLength = 64;
    // The printer-class form of the same request answers with up to 4 bytes.
    static constexpr uint16_t kPrinterClassStatusLength = 4;
};

}  // namespace rollvane
