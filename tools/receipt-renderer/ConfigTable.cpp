#include "ConfigTable.h"

namespace {

constexpr const char *kComm = "Communication Interface";
constexpr const char *kEmul = "Emulation/Software";
constexpr const char *kHard = "Hardware";
constexpr const char *kCode = "Code Pages";
constexpr const char *kDual = "Double Side Mode Setting";

using K = ConfigKind;

// clang-format off
constexpr ConfigItem kItems[] = {
    {0x10, "Interface Type", kComm, K::Interface, 1, 0, 8, {"RS232", "USB", "RS232/USB"}},
    {0x11, "Baud Rate", kComm, K::Field, 2, 0, 3, {"115200", "57600", "38400", "19200", "9600", "4800", "2400", "1200"}},
    {0x14, "Parity", kComm, K::Field, 2, 6, 2, {"NONE", "EVEN", "ODD"}},
    {0x12, "Data Bits", kComm, K::Field, 2, 4, 1, {"8", "7"}},
    {0x13, "Stop Bits", kComm, K::Field, 2, 5, 1, {"1", "2"}},
    {0x15, "Flow Control", kComm, K::Field, 3, 0, 1, {"Xon/Xoff", "DTR/DSR"}},
    {0x16, "Reception Errors", kComm, K::Field, 3, 2, 1, {"Ignore Errors", "Print '?'"}},
    {0x17, "Receive Buffer", kComm, K::Field, 3, 3, 1, {"4 kBytes", "One Line"}},
    // Bit 1 of byte 3 is free; the DSR choice lives there.
    {0x18, "DSR Signal", kComm, K::Field, 3, 1, 1, {"Enabled", "Disabled"}},
    {0x6D, "CTS Control", kComm, K::Field, 14, 0, 1, {"Disabled", "Enabled"}},
    {0x68, "USB Type", kComm, K::UsbType, 29, 0, 8, {}},
    {0x69, "Parallel Type", kComm, K::Field, 9, 0, 1, {"OPOS driver", "Windows driver"}},
    {0x6A, "Ready Timing", kComm, K::Field, 12, 0, 1, {"Timing1", "Timing2"}},
    {0x70, "DBCS/Font Size", kEmul, K::Field, 10, 0, 2, {"INVALID/SIZE 1", "INVALID/SIZE 2", "VALID/SIZE 1", "VALID/SIZE 2"}},
    {0x71, "PrintMode(DBCS)", kEmul, K::Field, 11, 0, 1, {"VALID", "INVALID"}},
    {0x21, "Default LPI", kEmul, K::Field, 4, 0, 2, {"8.13 LPI", "7.52 LPI", "6 LPI", "7.52 LPI"}},
    {0x22, "Carriage Return", kEmul, K::Field, 4, 3, 1, {"Ignore CR", "Use as Print cmd."}},
    {0x25, "Receipt Sync.", kEmul, K::Field, 4, 2, 1, {"Enabled", "Disabled"}},
    {0x27, "PDF417 Max", kEmul, K::Field, 7, 6, 1, {"9 Columns", "14 Columns"}},
    {0x72, "Added Feed", kEmul, K::Field, 15, 0, 8, {"Disable", "3mm", "6mm", "9mm", "12mm", "15mm", "18mm", "21mm"}},
    {0x30, "Print Density", kHard, K::Field, 5, 0, 2, {"100%", "110%", "120%"}},
    {0x36, "Max Power", kHard, K::Field, 5, 2, 1, {"55 W", "75 W"}},
    {0x31, "PaperLowSensor", kHard, K::Field, 5, 6, 1, {"Enabled", "Disabled"}},
    {0x32, "Paper Width", kHard, K::Field, 5, 3, 1, {"80 mm", "58 mm"}},
    {0x33, "Knife", kHard, K::Field, 5, 5, 1, {"Enabled", "Disabled"}},
    {0x37, "Color Paper", kHard, K::Field, 5, 4, 1, {"Monochrome", "Color Paper"}},
    {0x6B, "Drawer Type", kHard, K::Field, 13, 0, 1, {"Type1", "Type2"}},
    {0x6C, "Drawer Bit Assign", kHard, K::Field, 13, 4, 1, {"2Bits Assign", "1Bit Assign"}},
    {0x40, "Default C P", kCode, K::CodePage, 6, 0, 8, {}},
    {0x60, "Thermal Mode", kDual, K::ThermalMode, 26, 0, 2, {"Single Side", "DS wt Single", "DS wt Double", "DS wt Pre-def Back", "DS wt On-demand Pre-def Back"}},
    {0x61, "F/B Upside Down", kDual, K::Field, 26, 2, 2, {"Normal/Normal", "Updown/Normal", "Normal/Updown", "Updown/Updown"}},
    {0x62, "Swap Side", kDual, K::Field, 26, 6, 1, {"Not Swap", "Swap Side"}},
    {0x63, "Btm/Top Msg", kDual, K::Field, 26, 4, 2, {"Disabled/Disabled", "Enabled/Disabled", "Disabled/Enabled", "Enabled/Enabled"}},
    {0x67, "Reprint Msg", kDual, K::Field, 30, 0, 1, {"Disabled", "Enabled"}},
    {0x64, "Min Rcpt Length", kDual, K::LengthLow, 27, 0, 8, {}},
    {0x65, "Min Rcpt Length", kDual, K::LengthHigh, 28, 0, 8, {}},
    {0x66, "Reprint Error Page", kDual, K::Field, 26, 7, 1, {"OFF", "ON"}},
};

constexpr CodePage kCodePages[] = {
    {0x00, "437"}, {0x01, "850"}, {0x02, "852"}, {0x03, "858"}, {0x04, "860"},
    {0x06, "863"}, {0x08, "865"}, {0x09, "866"}, {0x0B, "1252"}, {0x0D, "949/54936(China)"},
    {0x0F, "857"}, {0x10, "1253"}, {0x11, "1254"},
};
// clang-format on

}  // namespace

std::span<const ConfigItem> ConfigTable::Items()
{
    return kItems;
}

const ConfigItem *ConfigTable::Find(uint8_t code)
{
    for (const ConfigItem &item : kItems)
        if (item.code == code)
            return &item;
    return nullptr;
}

std::span<const CodePage> ConfigTable::CodePages()
{
    return kCodePages;
}

const char *ConfigTable::CodePageName(uint8_t setValue)
{
    for (const CodePage &page : kCodePages)
        if (page.setValue == setValue)
            return page.name;
    return nullptr;
}
