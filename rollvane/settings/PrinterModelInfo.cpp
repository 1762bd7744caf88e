#include "rollvane/settings/PrinterModelInfo.h"

namespace rollvane {

namespace {

struct FirmwareFloor {
    uint8_t major;
    uint8_t minor;  // lowest minor version that has it
};

// Firmware lines that know the USB select type, from the given minor version on.
constexpr std::array<FirmwareFloor, 11> kUsbSelectFirmware = {{
    {4, 7},
    {24, 7},
    {8, 6},
    {6, 3},
    {94, 7},
    {5, 0},
    {7, 0},
    {10, 0},
    {84, 0},
    {95, 0},
    {98, 0},
}};

}  // namespace

bool PrinterModelInfo::isVornLModel() const
{
    return modelCode[5] == '0' && modelCode[6] == '0';
}

bool PrinterModelInfo::isChinaModel() const
{
    return modelCode[10] == 'C' && modelCode[11] == 'N';
}

bool PrinterModelInfo::supportsUsbSelectType() const
{
    for (const auto &floor : kUsbSelectFirmware) {
        if (firmwareMajor == floor.major && firmwareMinor >= floor.minor) {
            return true;
        }
    }
    return false;
}

}  // namespace rollvane
