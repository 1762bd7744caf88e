#include "rollvane/settings/SettingsDecoder.h"

#include <algorithm>

namespace rollvane {

namespace {

template <typename Rows>
void DecodeUsbType(const Rows &rows, uint8_t value, PrinterSettings &settings)
{
    for (const auto &row : rows) {
        if (row.value == value) {
            settings.text(SettingsTable::kUsbTypeItem) = row.usbType;
            settings.text(SettingsTable::kUsbSelectItem) = row.selectType;
            return;
        }
    }
}

bool DecodedOver(const SettingItem &item, unsigned value, bool network)
{
    if (!network || item.decodedOverNetwork) {
        return true;
    }
    return std::find(item.networkValues.begin(), item.networkValues.end(), value) != item.networkValues.end();
}

}  // namespace

unsigned SettingsDecoder::ReadValue(const SettingItem &item, const ConfigBytes &bytes)
{
    switch (item.readRule) {
    case ReadRule::Bits:
        return (bytes[item.readByte] >> item.readShift) & item.readMask;
    case ReadRule::ThermalMode: {
        unsigned value = (bytes[item.readByte] >> item.readShift) & item.readMask;
        // Byte 31 bit 0 turns "single side" into the on-demand pre-defined back mode.
        return value == 0 && (bytes[31] & 0x01) ? 4 : value;
    }
    case ReadRule::ReceiptLength: {
        const unsigned length = bytes[item.readByte] + 256u * bytes[item.readByte + 1];
        return length == 0 ? 0 : std::max(1u, length / SettingsTable::kReceiptLengthStep);
    }
    case ReadRule::UsbType:
        return bytes[item.readByte];
    case ReadRule::None:
        break;
    }
    return 0;
}

void SettingsDecoder::Decode(const ConfigBytes &bytes, bool network, bool supportsUsbSelectType,
                             PrinterSettings &settings)
{
    for (const auto &item : SettingsTable::Items()) {
        if (item.readRule == ReadRule::None) {
            continue;
        }
        const unsigned value = ReadValue(item, bytes);
        if (!DecodedOver(item, value, network)) {
            continue;
        }
        if (item.readRule == ReadRule::UsbType) {
            if (item.number != SettingsTable::kUsbTypeItem) {
                continue;  // item 38 comes with item 12
            }
            if (supportsUsbSelectType) {
                DecodeUsbType(SettingsTable::UsbTypeReads(), value & SettingsTable::kUsbTypeReadMask, settings);
            } else {
                DecodeUsbType(SettingsTable::PlainUsbTypeReads(), value & SettingsTable::kPlainUsbTypeReadMask,
                              settings);
            }
            continue;
        }
        for (const auto &pair : item.readValues) {
            if (pair.value == value) {
                settings.text(item.number) = pair.text;
                break;
            }
        }
    }
}

}  // namespace rollvane
