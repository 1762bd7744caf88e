#pragma once

#include <array>
#include <cstdint>
#include <span>

// How an item is kept in the configuration bytes. Most are a plain bit field
// whose value is the set value; the others have their own rule.
enum class ConfigKind : uint8_t {
    Field,        // bits [shift, shift + bits) of one byte hold the set value
    Interface,    // byte 1: set 00/01/02 are kept as 02/00/01
    CodePage,     // byte 6: the set value with its halves swapped
    UsbType,      // byte 29: set 01-05 are kept as 01, 02, 09, 0A, 0B
    ThermalMode,  // byte 26 bits 0-1, and byte 31 bit 0 for set value 04
    LengthLow,    // byte 27: low byte of the minimum receipt length in dots
    LengthHigh,   // byte 28: high byte
};

struct ConfigItem {
    uint8_t code;         // item code of the set command 1F 36 code value FF
    const char *label;    // as the configuration printout names it
    const char *section;  // heading of the printout it stands under
    ConfigKind kind;
    uint8_t byte;  // configuration byte, 1 to 31
    uint8_t shift;
    uint8_t bits;
    std::array<const char *, 8> texts;  // text of each stored field value
};

struct CodePage {
    uint8_t setValue;
    const char *name;
};

// The printer's own description of its configuration: every item it accepts,
// where it keeps it and how it names its values. Written once, used by the
// set command, the configuration printout and the start-up defaults.
class ConfigTable {
public:
    static std::span<const ConfigItem> Items();
    static const ConfigItem *Find(uint8_t code);
    static std::span<const CodePage> CodePages();
    static const char *CodePageName(uint8_t setValue);
};
