#pragma once

#include "rollvane/settings/PrinterSettings.h"

#include <cstdint>

namespace rollvane {

// What the write sequence reads: the texts, with the serial items as numbers.
struct SettingsCopy {
    PrinterSettings texts;
    int32_t baudRate = 0;    // 0 when empty
    int32_t stopBits = 0;    // 1 or 2, 0 when empty
    int32_t parityCode = 3;  // 0 NONE, 1 ODD, 2 EVEN, 3 anything else
    int32_t dataBits = 8;    // the printer always gets 8 data bits

    static SettingsCopy From(const PrinterSettings &settings);
};

}  // namespace rollvane
