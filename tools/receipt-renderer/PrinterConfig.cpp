#include "PrinterConfig.h"

#include "ConfigTable.h"

#include <cstdio>

namespace {

constexpr uint8_t kUsbStored[] = {0x00, 0x01, 0x02, 0x09, 0x0A, 0x0B};  // by set value 1..5

uint8_t SwapHalves(uint8_t v)
{
    return static_cast<uint8_t>((v << 4) | (v >> 4));
}

std::string HexText(uint8_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "Unknown (%02X)", v);
    return buf;
}

}  // namespace

PrinterConfig::PrinterConfig()
{
    // 115200 8N1, Xon/Xoff, 80 mm, code page 437, RS232/USB, USB vendor class.
    bytes_[1] = 0x02;
    bytes_[29] = 0x01;
}

uint8_t PrinterConfig::byte(int n) const
{
    return n >= 1 && n <= kBytes ? bytes_[static_cast<size_t>(n)] : 0;
}

void PrinterConfig::SetByte(int n, uint8_t value)
{
    if (n >= 1 && n <= kBytes)
        bytes_[static_cast<size_t>(n)] = value;
}

bool PrinterConfig::Apply(uint8_t code, uint8_t value)
{
    const ConfigItem *item = ConfigTable::Find(code);
    if (!item)
        return false;
    uint8_t &b = bytes_[item->byte];
    switch (item->kind) {
    case ConfigKind::Field: {
        if (value >= item->texts.size() || !item->texts[value] || (item->bits < 8 && value >= (1u << item->bits)))
            return false;
        const uint8_t mask = static_cast<uint8_t>(((1u << item->bits) - 1u) << item->shift);
        b = static_cast<uint8_t>((b & ~mask) | ((value << item->shift) & mask));
        return true;
    }
    case ConfigKind::Interface: {
        static constexpr uint8_t stored[] = {0x02, 0x00, 0x01};
        if (value > 2)
            return false;
        b = stored[value];
        return true;
    }
    case ConfigKind::CodePage:
        if (!ConfigTable::CodePageName(value))
            return false;
        b = SwapHalves(value);
        return true;
    case ConfigKind::UsbType:
        if (value < 1 || value > 5)
            return false;
        b = kUsbStored[value];
        return true;
    case ConfigKind::ThermalMode:
        if (value > 4)
            return false;
        b = static_cast<uint8_t>((b & ~0x03) | (value == 4 ? 0 : value));
        bytes_[31] = static_cast<uint8_t>((bytes_[31] & ~0x01) | (value == 4 ? 1 : 0));
        return true;
    case ConfigKind::LengthLow:
    case ConfigKind::LengthHigh:
        b = value;
        return true;
    }
    return false;
}

std::array<uint8_t, 2> PrinterConfig::word(int n) const
{
    const int low = n - (n % 2);
    return {byte(low), byte(low + 1)};
}

int PrinterConfig::printWidth() const
{
    return (bytes_[5] & 0x08) ? 432 : 576;
}

int PrinterConfig::lineSpacing() const
{
    // 203 dots an inch: 8.13, 7.52 and 6 lines an inch.
    switch (bytes_[4] & 0x03) {
    case 1:
    case 3:
        return 27;
    case 2:
        return 34;
    default:
        return 25;
    }
}

uint8_t PrinterConfig::codePage() const
{
    return SwapHalves(bytes_[6]);
}

uint8_t PrinterConfig::topBottomMessages() const
{
    return static_cast<uint8_t>((bytes_[26] >> 4) & 0x03);
}

std::vector<PrinterConfig::Line> PrinterConfig::Describe() const
{
    std::vector<Line> lines;
    for (const ConfigItem &item : ConfigTable::Items()) {
        const uint8_t b = bytes_[item.byte];
        std::string text;
        switch (item.kind) {
        case ConfigKind::Field: {
            const unsigned mask = item.bits < 8 ? (1u << item.bits) - 1u : 0xFFu;
            const unsigned v = (b >> item.shift) & mask;
            text = v < item.texts.size() && item.texts[v] ? item.texts[v] : HexText(static_cast<uint8_t>(v));
            break;
        }
        case ConfigKind::Interface:
            text = b < 3 ? item.texts[b] : HexText(b);
            break;
        case ConfigKind::CodePage: {
            const char *name = ConfigTable::CodePageName(SwapHalves(b));
            text = name ? name : HexText(b);
            break;
        }
        case ConfigKind::UsbType: {
            static constexpr const char *kinds[] = {"Vendor Spec. Class", "Printer Class", "Vendor Spec. Class",
                                                    "Printer Class", "USB COM"};
            static constexpr const char *select[] = {"Auto Select Type", "Auto Select Type", "Fixed Type", "Fixed Type",
                                                     "Fixed Type"};
            int found = -1;
            for (int v = 1; v <= 5; ++v)
                if (kUsbStored[v] == (b & 0x0B))
                    found = v - 1;
            lines.push_back({item.section, item.label, found >= 0 ? kinds[found] : HexText(b)});
            lines.push_back({item.section, "USB Select Type", found >= 0 ? select[found] : HexText(b)});
            continue;
        }
        case ConfigKind::ThermalMode: {
            const unsigned v = b & 0x03;
            text = item.texts[v == 0 && (bytes_[31] & 0x01) ? 4 : v];
            break;
        }
        case ConfigKind::LengthLow: {
            const unsigned length = bytes_[27] + 256u * bytes_[28];
            static constexpr const char *inches[] = {"5 Inch", "5 Inch", "10 Inch", "15 Inch"};
            if (length == 0)
                text = "Disabled";
            else if (length / 1015 <= 3)
                text = inches[length / 1015];
            else
                text = std::to_string(length) + " dots";
            break;
        }
        case ConfigKind::LengthHigh:
            continue;
        }
        lines.push_back({item.section, item.label, text});
    }
    return lines;
}
