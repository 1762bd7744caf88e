#pragma once

#include "rollvane/settings/PrinterSettings.h"

#include <array>
#include <cstdint>

namespace rollvane {

// Turns the printer's configuration bytes into item texts.
class SettingsDecoder {
public:
    // Index n holds configuration byte n (1 to 31); index 0 is unused.
    using ConfigBytes = std::array<uint8_t, 32>;

    // Items whose value has no text keep the text they had. Over a network link the
    // interface items are left alone (the printer reports them for its serial side).
    static void Decode(const ConfigBytes &bytes, bool network, bool supportsUsbSelectType, PrinterSettings &settings);

    // The value an item's row is looked up with.
    static unsigned ReadValue(const SettingItem &item, const ConfigBytes &bytes);
};

}  // namespace rollvane
