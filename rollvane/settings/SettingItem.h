#pragma once

#include <cstdint>
#include <vector>

namespace rollvane {

// How an item's text becomes the value of its set command.
enum class WriteRule {
    Text,            // the text itself, looked up in writeValues without regard to case
    BaudNumber,      // the copy's baud rate as a number
    DataBitsNumber,  // the copy's data bits (always 8)
    StopBitsNumber,  // the copy's stop bits as a number
    ParityCode,      // the copy's parity code
    UsbType,         // items 12 and 38 together, by firmware
    FontSize,        // the text, but the model may refuse it
    ReceiptLength,   // a 16-bit length in dots, sent low byte then high byte
    Never,           // no set command exists for the item
};

// How configuration bytes become the item's text.
enum class ReadRule {
    Bits,           // (byte >> shift) & mask
    ThermalMode,    // bits of byte 26, with byte 31 bit 0 telling the two zero meanings apart
    ReceiptLength,  // 16-bit length from bytes 27 and 28, counted in 1015-dot steps
    UsbType,        // byte 29 for items 12 and 38, by firmware
    None,           // not read back
};

// What writing an item means for the PC's side of the link.
enum class LinkEffect {
    None,
    Reset,        // the PC must set its interface again to match the printer
    BaudRate,     // as Reset, and the written text is carried into the interface settings
    Parity,       // likewise
    StopBits,     // likewise
    FlowControl,  // likewise
};

struct TextValue {
    const char *text;
    uint16_t value;
};

struct ValueText {
    uint8_t value;
    const char *text;
};

// One of the printer's configuration items: how the page shows it, which texts it accepts,
// how it is written, read back and stored in a settings file.
struct SettingItem {
    int number;                               // 1 to 38, the position in PrinterSettings
    const char *label;                        // label on the page
    int listId;                               // the page's drop-down list
    bool hidden;                              // list and label never shown
    const char *fileKey;                      // nullptr: not stored
    const char *fileLine;                     // line format, "%s" for the text, "\n" for CR LF
    std::vector<const char *> options;        // in list order
    std::vector<const char *> extraAccepted;  // accepted although not offered

    WriteRule writeRule;
    uint8_t itemCode;  // first set command's item code
    std::vector<TextValue> writeValues;

    ReadRule readRule;
    uint8_t readByte;  // 1 to 31
    uint8_t readShift;
    uint8_t readMask;
    std::vector<ValueText> readValues;
    // Over a network link: decoded always (empty, decodedOverNetwork), never, or only for
    // the values listed here.
    bool decodedOverNetwork;
    std::vector<uint8_t> networkValues;

    LinkEffect linkEffect;
};

}  // namespace rollvane
