#include "rollvane/settings/SettingsTable.h"

namespace rollvane {

namespace {

// Read-back values of the common two-way bits.
const std::vector<ValueText> kEnabledFirst = {{0, "Enabled"}, {1, "Disabled"}};
const std::vector<ValueText> kDisabledFirst = {{0, "Disabled"}, {1, "Enabled"}};
const std::vector<TextValue> kEnabledIsZero = {{"Enabled", 0}, {"Disabled", 1}};
const std::vector<TextValue> kDisabledIsZero = {{"Disabled", 0}, {"Enabled", 1}};

// clang-format off
const std::array<SettingItem, SettingsTable::kItemCount> kItems = {{
    {1, "Interface Type :", 1005, false, "Comtype", "Comtype   =%s \n", {"RS232", "RS232/USB", "USB"}, {},
     WriteRule::Text, 0x10, {{"RS232/USB", 0}, {"RS232", 1}, {"USB", 2}},
     ReadRule::Bits, 1, 0, 0xFF, {{0, "RS232"}, {1, "USB"}, {2, "RS232/USB"}}, false, {},
     LinkEffect::Reset},
    {2, "Baud Rate :", 1001, false, "Baudrate", "Baudrate  =%s \n", {"115200", "57600", "38400", "19200", "9600"},
     {"4800", "2400", "1200"},
     WriteRule::BaudNumber, 0x11,
     {{"115200", 0}, {"57600", 1}, {"38400", 2}, {"19200", 3}, {"9600", 4}, {"4800", 5}, {"2400", 6}, {"1200", 7}},
     ReadRule::Bits, 2, 0, 0x07, {{0, "115200"}, {1, "57600"}, {2, "38400"}, {3, "19200"}, {4, "9600"}}, false, {},
     LinkEffect::BaudRate},
    {3, "Parity :", 1002, false, "Paritybit", "Paritybit  =%s \n", {"NONE", "ODD", "EVEN"}, {},
     WriteRule::ParityCode, 0x14, {{"NONE", 0}, {"EVEN", 1}, {"ODD", 2}},
     ReadRule::Bits, 2, 6, 0x03, {{0, "NONE"}, {1, "EVEN"}, {2, "ODD"}}, false, {},
     LinkEffect::Parity},
    {4, "Data Bits", 1027, true, "Databits", "Databits   =%s \n", {"8", "7"}, {},
     WriteRule::DataBitsNumber, 0x12, {{"8", 0}, {"7", 1}},
     ReadRule::Bits, 2, 4, 0x01, {{0, "8"}, {1, "7"}}, false, {},
     LinkEffect::None},
    {5, "Stop Bits :", 1003, false, "Stopbits", "Stopbits  =%s \n", {"1", "2"}, {},
     WriteRule::StopBitsNumber, 0x13, {{"1", 0}, {"2", 1}},
     ReadRule::Bits, 2, 5, 0x01, {{0, "1"}, {1, "2"}}, false, {},
     LinkEffect::StopBits},
    {6, "Flow Control :", 1007, false, "FlowCtrl", "FlowCtrl = %s \n", {"Xon/Xoff", "DTR/DSR"}, {},
     WriteRule::Text, 0x15, {{"Xon/Xoff", 0}, {"DTR/DSR", 1}},
     ReadRule::Bits, 3, 0, 0x01, {{0, "Xon/Xoff"}, {1, "DTR/DSR"}}, false, {},
     LinkEffect::FlowControl},
    {7, "Reception Errors :", 1006, false, "ReceptErr", "ReceptErr  =%s \n", {"Ignore Errors", "Print '?'"}, {},
     WriteRule::Text, 0x16, {{"Ignore Errors", 0}, {"Print '?'", 1}},
     ReadRule::Bits, 3, 2, 0x01, {{0, "Ignore Errors"}, {1, "Print '?'"}}, false, {},
     LinkEffect::Reset},
    {8, "Receive Buffer :", 1008, false, "ReceiveBuf", "ReceiveBuf =%s \n", {"4 kBytes", "One Line"}, {},
     WriteRule::Text, 0x17, {{"4 kBytes", 0}, {"One Line", 1}},
     ReadRule::Bits, 3, 3, 0x01, {{0, "4 kBytes"}, {1, "One Line"}}, false, {},
     LinkEffect::Reset},
    {9, "DSR Signal :", 1026, true, "DSRsignal", "DSRsignal  =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x18, kEnabledIsZero,
     ReadRule::None, 0, 0, 0, {}, false, {},
     LinkEffect::None},
    {10, "CTS Control:", 1030, false, "CTScontrol", "CTScontrol =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x6D, kDisabledIsZero,
     ReadRule::Bits, 14, 0, 0x01, kDisabledFirst, false, {},
     LinkEffect::Reset},
    {11, "USU Messages:", 1029, true, "USUmessage", "USUmessage =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Never, 0, {},
     ReadRule::None, 0, 0, 0, {}, false, {},
     LinkEffect::None},
    {12, "USB Type:", 1031, false, "USBtype", "USBtype = %s \n", {"Vendor Spec. Class", "Printer Class", "USB COM"}, {},
     WriteRule::UsbType, 0x68, {},
     ReadRule::UsbType, 29, 0, 0xFF, {}, false, {},
     LinkEffect::Reset},
    {13, "Parallel Type:", 1032, false, "Paralleltype", "Paralleltype=%s \n", {"OPOS driver", "Windows driver"}, {},
     WriteRule::Text, 0x69, {{"OPOS driver", 0}, {"Windows driver", 1}},
     ReadRule::Bits, 9, 0, 0x01, {{0, "OPOS driver"}, {1, "Windows driver"}}, false, {},
     LinkEffect::Reset},
    {14, "Ready Timing:", 1036, false, "Readytiming", "Readytiming =%s \n", {"Timing1", "Timing2"}, {},
     WriteRule::Text, 0x6A, {{"Timing1", 0}, {"Timing2", 1}},
     ReadRule::Bits, 12, 0, 0x01, {{0, "Timing1"}, {1, "Timing2"}}, false, {},
     LinkEffect::Reset},
    {15, "DBCS/Font Size :", 1009, false, "DBCSFont", "DBCSFont = %s \n",
     {"INVALID/SIZE 1", "INVALID/SIZE 2", "VALID/SIZE 1", "VALID/SIZE 2"}, {},
     WriteRule::FontSize, 0x70,
     {{"INVALID/SIZE 1", 0}, {"INVALID/SIZE 2", 1}, {"VALID/SIZE 1", 2}, {"VALID/SIZE 2", 3}},
     ReadRule::Bits, 10, 0, 0x03,
     {{0, "INVALID/SIZE 1"}, {1, "INVALID/SIZE 2"}, {2, "VALID/SIZE 1"}, {3, "VALID/SIZE 2"}}, false, {1, 3},
     LinkEffect::None},
    {16, "PrintMode(DBCS):", 1010, false, "Printmode", "Printmode = %s \n", {"INVALID", "VALID"}, {},
     WriteRule::Text, 0x71, {{"VALID", 0}, {"INVALID", 1}},
     ReadRule::Bits, 11, 0, 0x01, {{0, "VALID"}, {1, "INVALID"}}, true, {},
     LinkEffect::None},
    {17, "Default LPI :", 1012, false, "DefaultLPI", "DefaultLPI =%s \n", {"8.13 LPI", "7.52 LPI", "6 LPI"}, {},
     WriteRule::Text, 0x21, {{"8.13 LPI", 0}, {"7.52 LPI", 1}, {"6 LPI", 2}},
     ReadRule::Bits, 4, 0, 0x03, {{0, "8.13 LPI"}, {1, "7.52 LPI"}, {2, "6 LPI"}, {3, "7.52 LPI"}}, true, {},
     LinkEffect::None},
    {18, "Carriage Return :", 1011, false, "CReturn", "CReturn = %s \n", {"Ignore CR", "Use as Print cmd."}, {},
     WriteRule::Text, 0x22, {{"Ignore CR", 0}, {"Use as Print cmd.", 1}},
     ReadRule::Bits, 4, 3, 0x01, {{0, "Ignore CR"}, {1, "Use as Print cmd."}}, true, {},
     LinkEffect::None},
    {19, "Receipt Sync. :", 1017, false, "Rsync", "Rsync = %s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x25, kEnabledIsZero,
     ReadRule::Bits, 4, 2, 0x01, kEnabledFirst, true, {},
     LinkEffect::None},
    {20, "PDF417 Max:", 1033, false, "PDFMax", "PDFMax =%s \n", {"9 Columns", "14 Columns"}, {},
     WriteRule::Text, 0x27, {{"9 Columns", 0}, {"14 Columns", 1}},
     ReadRule::Bits, 7, 6, 0x01, {{0, "9 Columns"}, {1, "14 Columns"}}, true, {},
     LinkEffect::None},
    {21, "Print Density :", 1014, false, "PrintDensity", "PrintDensity=%s \n", {"100%", "110%", "120%"}, {},
     WriteRule::Text, 0x30, {{"100%", 0}, {"110%", 1}, {"120%", 2}},
     ReadRule::Bits, 5, 0, 0x03, {{0, "100%"}, {1, "110%"}, {2, "120%"}}, true, {},
     LinkEffect::None},
    {22, "Max Power :", 1018, false, "MaxPower", "MaxPower = %s \n", {"55 W", "75 W"}, {},
     WriteRule::Text, 0x36, {{"55 W", 0}, {"75 W", 1}},
     ReadRule::Bits, 5, 2, 0x01, {{0, "55 W"}, {1, "75 W"}}, true, {},
     LinkEffect::None},
    {23, "PaperLowSensor:", 1020, false, "PLSensor", "PLSensor =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x31, kEnabledIsZero,
     ReadRule::Bits, 5, 6, 0x01, kEnabledFirst, true, {},
     LinkEffect::None},
    {24, "Paper Width :", 1019, false, "PaperWidth", "PaperWidth  =%s \n", {"80 mm", "58 mm"}, {},
     WriteRule::Text, 0x32, {{"80 mm", 0}, {"58 mm", 1}},
     ReadRule::Bits, 5, 3, 0x01, {{0, "80 mm"}, {1, "58 mm"}}, true, {},
     LinkEffect::None},
    {25, "Knife :", 1022, false, "Knife", "Knife   =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x33, kEnabledIsZero,
     ReadRule::Bits, 5, 5, 0x01, kEnabledFirst, true, {},
     LinkEffect::None},
    {26, "Color Paper :", 1024, false, "ColorPaper", "ColorPaper = %s \n", {"Monochrome", "Color Paper"}, {},
     WriteRule::Text, 0x37, {{"Monochrome", 0}, {"Color Paper", 1}},
     ReadRule::Bits, 5, 4, 0x01, {{0, "Monochrome"}, {1, "Color Paper"}}, true, {},
     LinkEffect::None},
    {27, "Default C P :", 1028, false, "DefaultCP", "DefaultCP  =%s \n",
     {"437", "850", "852", "857", "858", "860", "863", "865", "866", "1252", "1253", "1254"}, {"949/54936(China)"},
     WriteRule::Text, 0x40,
     {{"437", 0x00}, {"850", 0x01}, {"852", 0x02}, {"858", 0x03}, {"860", 0x04}, {"863", 0x06}, {"865", 0x08},
      {"866", 0x09}, {"1252", 0x0B}, {"949/54936(China)", 0x0D}, {"857", 0x0F}, {"1253", 0x10}, {"1254", 0x11}},
     // The read-back byte is the set value with its two halves exchanged.
     ReadRule::Bits, 6, 0, 0xFF,
     {{0x00, "437"}, {0x10, "850"}, {0x20, "852"}, {0x30, "858"}, {0x40, "860"}, {0x60, "863"}, {0x80, "865"},
      {0x90, "866"}, {0xB0, "1252"}, {0xF0, "857"}, {0x01, "1253"}, {0x11, "1254"}},
     true, {},
     LinkEffect::None},
    {28, "Drawer Type:", 1034, false, "Drawertype", "Drawertype  =%s \n", {"Type1", "Type2"}, {},
     WriteRule::Text, 0x6B, {{"Type1", 0}, {"Type2", 1}},
     ReadRule::Bits, 13, 0, 0x01, {{0, "Type1"}, {1, "Type2"}}, true, {},
     LinkEffect::None},
    {29, "Drawer Bit Assign:", 1035, false, "DrawerBits", "DrawerBits  =%s \n", {"1Bit Assign", "2Bits Assign"}, {},
     WriteRule::Text, 0x6C, {{"2Bits Assign", 0}, {"1Bit Assign", 1}},
     ReadRule::Bits, 13, 4, 0x01, {{0, "2Bits Assign"}, {1, "1Bit Assign"}}, true, {},
     LinkEffect::None},
    {30, "Thermal Mode:", 1038, false, "ThermalMode", "ThermalMode  =%s \n",
     {"Single Side", "DS wt Single", "DS wt Double", "DS wt Pre-def Back"}, {"DS wt On-demand Pre-def Back"},
     WriteRule::Text, 0x60,
     {{"Single Side", 0}, {"DS wt Single", 1}, {"DS wt Double", 2}, {"DS wt Pre-def Back", 3},
      {"DS wt On-demand Pre-def Back", 4}},
     // Value 4 stands for bits 0 with byte 31 bit 0 set.
     ReadRule::ThermalMode, 26, 0, 0x03,
     {{0, "Single Side"}, {1, "DS wt Single"}, {2, "DS wt Double"}, {3, "DS wt Pre-def Back"},
      {4, "DS wt On-demand Pre-def Back"}},
     true, {},
     LinkEffect::None},
    {31, "F/B Upside Down", 1039, false, "FrontBackUpdown", "FrontBackUpdown  =%s \n",
     {"Normal/Normal", "Updown/Normal", "Normal/Updown", "Updown/Updown"}, {},
     WriteRule::Text, 0x61, {{"Normal/Normal", 0}, {"Updown/Normal", 1}, {"Normal/Updown", 2}, {"Updown/Updown", 3}},
     ReadRule::Bits, 26, 2, 0x03,
     {{0, "Normal/Normal"}, {1, "Updown/Normal"}, {2, "Normal/Updown"}, {3, "Updown/Updown"}}, true, {},
     LinkEffect::None},
    {32, "Swap Side :", 1040, false, "Swapside", "Swapside   =%s \n", {"Not Swap", "Swap Side"}, {},
     WriteRule::Text, 0x62, {{"Not Swap", 0}, {"Swap Side", 1}},
     ReadRule::Bits, 26, 6, 0x01, {{0, "Not Swap"}, {1, "Swap Side"}}, true, {},
     LinkEffect::None},
    {33, "Btm/Top Msg", 1042, false, "BottomTopMsg", "BottomTopMsg   =%s \n",
     {"Disabled/Disabled", "Enabled/Disabled", "Disabled/Enabled", "Enabled/Enabled"}, {},
     WriteRule::Text, 0x63,
     {{"Disabled/Disabled", 0}, {"Enabled/Disabled", 1}, {"Disabled/Enabled", 2}, {"Enabled/Enabled", 3}},
     ReadRule::Bits, 26, 4, 0x03,
     {{0, "Disabled/Disabled"}, {1, "Enabled/Disabled"}, {2, "Disabled/Enabled"}, {3, "Enabled/Enabled"}}, true, {},
     LinkEffect::None},
    {34, "Reprint Msg:", 1044, false, "ReprintMsg", "ReprintMsg     =%s \n", {"Enabled", "Disabled"}, {},
     WriteRule::Text, 0x67, kDisabledIsZero,
     ReadRule::Bits, 30, 0, 0x01, kDisabledFirst, true, {},
     LinkEffect::None},
    {35, "Min Rcpt Length:", 1045, false, "MinReceiptlength", "MinReceiptlength =%s \n",
     {"Disabled", "5 Inch", "10 Inch", "15 Inch"}, {},
     WriteRule::ReceiptLength, 0x64, {{"Disabled", 0}, {"5 Inch", 1015}, {"10 Inch", 2030}, {"15 Inch", 3045}},
     // Value: 0 for no length, else the number of started 5-inch steps (at least 1).
     ReadRule::ReceiptLength, 27, 0, 0xFF, {{0, "Disabled"}, {1, "5 Inch"}, {2, "10 Inch"}, {3, "15 Inch"}}, true, {},
     LinkEffect::None},
    {36, "Reprint Error Page", 1046, false, "ReprintErrorpage", "ReprintErrorpage= %s \n", {"OFF", "ON"}, {},
     WriteRule::Text, 0x66, {{"OFF", 0}, {"ON", 1}},
     ReadRule::Bits, 26, 7, 0x01, {{0, "OFF"}, {1, "ON"}}, true, {},
     LinkEffect::None},
    {37, "Added Feed:", 1037, false, "AddtionalFeed", "AddtionalFeed= %s \n",
     {"Disable", "3mm", "6mm", "9mm", "12mm", "15mm", "18mm", "21mm"}, {},
     WriteRule::Text, 0x72,
     {{"Disable", 0}, {"3mm", 1}, {"6mm", 2}, {"9mm", 3}, {"12mm", 4}, {"15mm", 5}, {"18mm", 6}, {"21mm", 7}},
     ReadRule::Bits, 15, 0, 0xFF,
     {{0, "Disable"}, {1, "3mm"}, {2, "6mm"}, {3, "9mm"}, {4, "12mm"}, {5, "15mm"}, {6, "18mm"}, {7, "21mm"}}, true,
     {},
     LinkEffect::None},
    // Written and read together with item 12.
    {38, "USB Select Type:", 1041, false, nullptr, nullptr, {"Auto Select Type", "Fixed Type"}, {},
     WriteRule::UsbType, 0x68, {},
     ReadRule::UsbType, 29, 0, 0xFF, {}, false, {},
     LinkEffect::None},
}};

const std::array<int, 36> kWriteOrder = {1,  2,  4,  5,  3,  6,  7,  8,  9,  10, 12, 17, 18, 13, 14, 15, 16, 19,
                                         20, 21, 22, 23, 24, 25, 28, 29, 26, 30, 27, 31, 33, 32, 35, 34, 36, 37};

using Match = SettingsTable::SelectMatch;

const std::array<SettingsTable::UsbTypeWrite, 5> kUsbTypeWrites = {{
    {"Vendor Spec. Class", Match::Auto, 0x01},
    {"Vendor Spec. Class", Match::NotAuto, 0x03},
    {"Printer Class", Match::Auto, 0x02},
    {"Printer Class", Match::NotAuto, 0x04},
    {"USB COM", Match::Any, 0x05},
}};

const std::array<SettingsTable::UsbTypeWrite, 2> kPlainUsbTypeWrites = {{
    {"Vendor Spec. Class", Match::Any, 0x01},
    {"Printer Class", Match::Any, 0x02},
}};

const std::array<SettingsTable::UsbTypeRead, 5> kUsbTypeReads = {{
    {0x01, "Vendor Spec. Class", "Auto Select Type"},
    {0x02, "Printer Class", "Auto Select Type"},
    {0x09, "Vendor Spec. Class", "Fixed Type"},
    {0x0A, "Printer Class", "Fixed Type"},
    {0x0B, "USB COM", "Fixed Type"},
}};

const std::array<SettingsTable::UsbTypeRead, 2> kPlainUsbTypeReads = {{
    {0x01, "Vendor Spec. Class", "Fixed Type"},
    {0x02, "Printer Class", "Fixed Type"},
}};

const std::array<SettingsTable::FontRefusal, 4> kFontRefusals = {{
    {SettingsTable::ModelKind::VornL, "INVALID/SIZE 1", "Vorn-L model, only Font Size 2 can be set"},
    {SettingsTable::ModelKind::VornL, "VALID/SIZE 1", "Vorn-L model, only Font Size 2 can be set"},
    {SettingsTable::ModelKind::China, "INVALID/SIZE 2", "China model, SIZE2 can not set"},
    {SettingsTable::ModelKind::China, "VALID/SIZE 2", "China model, VALID/SIZE2 can not set"},
}};
// clang-format on

}  // namespace

const char *const SettingsTable::kAutoSelectType = "Auto Select Type";
const char *const SettingsTable::kFileSection = "Properties settings";
const char *const SettingsTable::kFileHeader = "[Properties settings]:\n\n\n";

const std::array<SettingItem, SettingsTable::kItemCount> &SettingsTable::Items()
{
    return kItems;
}

const SettingItem &SettingsTable::Item(int number)
{
    return kItems.at(static_cast<std::size_t>(number - 1));
}

const std::array<int, 36> &SettingsTable::WriteOrder()
{
    return kWriteOrder;
}

const std::array<SettingsTable::UsbTypeWrite, 5> &SettingsTable::UsbTypeWrites()
{
    return kUsbTypeWrites;
}

const std::array<SettingsTable::UsbTypeWrite, 2> &SettingsTable::PlainUsbTypeWrites()
{
    return kPlainUsbTypeWrites;
}

const std::array<SettingsTable::UsbTypeRead, 5> &SettingsTable::UsbTypeReads()
{
    return kUsbTypeReads;
}

const std::array<SettingsTable::UsbTypeRead, 2> &SettingsTable::PlainUsbTypeReads()
{
    return kPlainUsbTypeReads;
}

const std::array<SettingsTable::FontRefusal, 4> &SettingsTable::FontRefusals()
{
    return kFontRefusals;
}

}  // namespace rollvane
