#pragma once

#include "rollvane/settings/SettingItem.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace rollvane {

// The printer's 38 configuration items, written once and read by the encoder, the decoder,
// the validation, the page, its view and the settings file.
class SettingsTable {
public:
    static constexpr int kItemCount = 38;

    // Items in record order; Item(n) is item n (1 to 38).
    static const std::array<SettingItem, kItemCount> &Items();
    static const SettingItem &Item(int number);

    // Item numbers in the order their set commands are sent.
    static const std::array<int, 36> &WriteOrder();

    // Item 12 ("USB Type:") and item 38 ("USB Select Type:") are written and read together.
    static constexpr int kUsbTypeItem = 12;
    static constexpr int kUsbSelectItem = 38;
    enum class SelectMatch {
        Auto,
        NotAuto,
        Any
    };
    struct UsbTypeWrite {
        const char *usbType;
        SelectMatch select;
        uint8_t value;
    };
    struct UsbTypeRead {
        uint8_t value;
        const char *usbType;
        const char *selectType;
    };
    static const char *const kAutoSelectType;
    // By whether the firmware knows the select type.
    static const std::array<UsbTypeWrite, 5> &UsbTypeWrites();
    static const std::array<UsbTypeWrite, 2> &PlainUsbTypeWrites();
    static constexpr uint8_t kUsbTypeReadMask = 0x0B;
    static constexpr uint8_t kPlainUsbTypeReadMask = 0x03;
    static const std::array<UsbTypeRead, 5> &UsbTypeReads();
    static const std::array<UsbTypeRead, 2> &PlainUsbTypeReads();

    // Font sizes a model cannot take, with the message shown instead of sending.
    enum class ModelKind {
        VornL,
        China
    };
    struct FontRefusal {
        ModelKind model;
        const char *text;
        const char *message;
    };
    static const std::array<FontRefusal, 4> &FontRefusals();

    // One minimum-receipt-length step in dots (5 inches).
    static constexpr uint16_t kReceiptLengthStep = 1015;
    static constexpr uint8_t kReceiptLengthHighCode = 0x65;

    // The settings text file.
    static const char *const kFileSection;
    static const char *const kFileHeader;
    static constexpr std::size_t kFileValueLength = 259;
};

}  // namespace rollvane
