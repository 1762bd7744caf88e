#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rollvane {

// The model and firmware queries on the data channel and the layout of their replies.
class PrinterIdentity {
public:
    static constexpr std::array<uint8_t, 4> kModelRequest{0x1D, 0x49, 0x40, 0x27};
    static constexpr std::size_t kModelReplySize = 17;
    static constexpr std::array<uint8_t, 4> kFirmwareRequest{0x1D, 0x49, 0x40, 0xA3};
    static constexpr std::size_t kFirmwareReplySize = 6;

    // The 12-character code of a model reply (kModelReplySize bytes).
    static std::array<char, 12> ModelCode(const uint8_t *reply);
    // Major and minor version of a firmware reply (kFirmwareReplySize bytes), each from two
    // digit characters.
    static void FirmwareNumbers(const uint8_t *reply, uint8_t *major, uint8_t *minor);
    // "MM.mm" ("04.07"); empty when the reply's version places are not all digits.
    static std::string FirmwareText(const uint8_t *reply);
};

}  // namespace rollvane
