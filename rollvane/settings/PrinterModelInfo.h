#pragma once

#include <array>
#include <cstdint>

namespace rollvane {

// The printer's model code and firmware version, as the last successful query left them.
struct PrinterModelInfo {
    std::array<char, 12> modelCode{};
    uint8_t firmwareMajor = 0;
    uint8_t firmwareMinor = 0;

    bool isVornLModel() const;
    bool isChinaModel() const;
    // Firmware that knows item 38 ("USB Select Type:") and the COM class.
    bool supportsUsbSelectType() const;
};

}  // namespace rollvane
