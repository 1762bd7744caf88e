#pragma once

#include "rollvane/settings/PrinterModelInfo.h"
#include "rollvane/settings/SettingsCopy.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

// One set command: 1F 36 item value FF.
struct SetCommand {
    uint8_t item;
    uint8_t value;

    std::array<uint8_t, 5> bytes() const { return {0x1F, 0x36, item, value, 0xFF}; }
    bool operator==(const SetCommand &) const = default;
};

// Turns the write sequence's copy of the settings into set commands.
class SettingsEncoder {
public:
    // The commands for one item of the write order (none when its text has no value). When
    // the model refuses the font size, refusal gets the message and nothing is returned.
    static std::vector<SetCommand> EncodeItem(const SettingItem &item, const SettingsCopy &copy,
                                              const PrinterModelInfo &model, std::string *refusal);
    // The whole write, in sending order, for a model known beforehand.
    static std::vector<SetCommand> Encode(const SettingsCopy &copy, const PrinterModelInfo &model,
                                          std::vector<std::string> *refusals);

    // The value of a text in a row, compared without regard to case.
    static bool ValueOf(const SettingItem &item, const std::string &text, uint16_t *value);
    // Value of the USB type item for items 12 and 38.
    static bool UsbTypeValue(const std::string &usbType, const std::string &selectType, bool supportsSelectType,
                             uint8_t *value);
};

}  // namespace rollvane
