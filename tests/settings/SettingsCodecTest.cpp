// The write and read-back tables row by row, the model rules and the validation.
#include "rollvane/settings/PrinterSettings.h"
#include "rollvane/settings/SettingsCopy.h"
#include "rollvane/settings/SettingsDecoder.h"
#include "rollvane/settings/SettingsEncoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace rollvane {
namespace {

PrinterModelInfo PlainModel()
{
    return PrinterModelInfo{};
}

PrinterModelInfo ModelWith(const char *code, uint8_t major, uint8_t minor)
{
    PrinterModelInfo model;
    std::memcpy(model.modelCode.data(), code, 12);
    model.firmwareMajor = major;
    model.firmwareMinor = minor;
    return model;
}

// The data-bits command every write carries.
const SetCommand kDataBits{0x12, 0x00};

std::vector<SetCommand> EncodeOnly(int item, const std::string &text, const PrinterModelInfo &model = PlainModel(),
                                   std::vector<std::string> *refusals = nullptr)
{
    PrinterSettings settings;
    settings.text(item) = text;
    return SettingsEncoder::Encode(SettingsCopy::From(settings), model, refusals);
}

struct WriteRow {
    int item;
    const char *text;
    uint8_t code;
    uint8_t value;
};

// Written out from the printer's command table, not from the program's table.
// clang-format off
const WriteRow kWriteRows[] = {
    {1, "RS232/USB", 0x10, 0x00}, {1, "RS232", 0x10, 0x01}, {1, "USB", 0x10, 0x02},
    {2, "115200", 0x11, 0x00}, {2, "57600", 0x11, 0x01}, {2, "38400", 0x11, 0x02}, {2, "19200", 0x11, 0x03},
    {2, "9600", 0x11, 0x04}, {2, "4800", 0x11, 0x05}, {2, "2400", 0x11, 0x06}, {2, "1200", 0x11, 0x07},
    {5, "1", 0x13, 0x00}, {5, "2", 0x13, 0x01},
    {3, "NONE", 0x14, 0x00}, {3, "EVEN", 0x14, 0x01}, {3, "ODD", 0x14, 0x02},
    {6, "Xon/Xoff", 0x15, 0x00}, {6, "DTR/DSR", 0x15, 0x01},
    {7, "Ignore Errors", 0x16, 0x00}, {7, "Print '?'", 0x16, 0x01},
    {8, "4 kBytes", 0x17, 0x00}, {8, "One Line", 0x17, 0x01},
    {9, "Enabled", 0x18, 0x00}, {9, "Disabled", 0x18, 0x01},
    {10, "Disabled", 0x6D, 0x00}, {10, "Enabled", 0x6D, 0x01},
    {17, "8.13 LPI", 0x21, 0x00}, {17, "7.52 LPI", 0x21, 0x01}, {17, "6 LPI", 0x21, 0x02},
    {18, "Ignore CR", 0x22, 0x00}, {18, "Use as Print cmd.", 0x22, 0x01},
    {13, "OPOS driver", 0x69, 0x00}, {13, "Windows driver", 0x69, 0x01},
    {14, "Timing1", 0x6A, 0x00}, {14, "Timing2", 0x6A, 0x01},
    {15, "INVALID/SIZE 1", 0x70, 0x00}, {15, "INVALID/SIZE 2", 0x70, 0x01}, {15, "VALID/SIZE 1", 0x70, 0x02},
    {15, "VALID/SIZE 2", 0x70, 0x03},
    {16, "VALID", 0x71, 0x00}, {16, "INVALID", 0x71, 0x01},
    {19, "Enabled", 0x25, 0x00}, {19, "Disabled", 0x25, 0x01},
    {20, "9 Columns", 0x27, 0x00}, {20, "14 Columns", 0x27, 0x01},
    {21, "100%", 0x30, 0x00}, {21, "110%", 0x30, 0x01}, {21, "120%", 0x30, 0x02},
    {22, "55 W", 0x36, 0x00}, {22, "75 W", 0x36, 0x01},
    {23, "Enabled", 0x31, 0x00}, {23, "Disabled", 0x31, 0x01},
    {24, "80 mm", 0x32, 0x00}, {24, "58 mm", 0x32, 0x01},
    {25, "Enabled", 0x33, 0x00}, {25, "Disabled", 0x33, 0x01},
    {28, "Type1", 0x6B, 0x00}, {28, "Type2", 0x6B, 0x01},
    {29, "2Bits Assign", 0x6C, 0x00}, {29, "1Bit Assign", 0x6C, 0x01},
    {26, "Monochrome", 0x37, 0x00}, {26, "Color Paper", 0x37, 0x01},
    {30, "Single Side", 0x60, 0x00}, {30, "DS wt Single", 0x60, 0x01}, {30, "DS wt Double", 0x60, 0x02},
    {30, "DS wt Pre-def Back", 0x60, 0x03}, {30, "DS wt On-demand Pre-def Back", 0x60, 0x04},
    {27, "437", 0x40, 0x00}, {27, "850", 0x40, 0x01}, {27, "852", 0x40, 0x02}, {27, "858", 0x40, 0x03},
    {27, "860", 0x40, 0x04}, {27, "863", 0x40, 0x06}, {27, "865", 0x40, 0x08}, {27, "866", 0x40, 0x09},
    {27, "1252", 0x40, 0x0B}, {27, "949/54936(China)", 0x40, 0x0D}, {27, "857", 0x40, 0x0F},
    {27, "1253", 0x40, 0x10}, {27, "1254", 0x40, 0x11},
    {31, "Normal/Normal", 0x61, 0x00}, {31, "Updown/Normal", 0x61, 0x01}, {31, "Normal/Updown", 0x61, 0x02},
    {31, "Updown/Updown", 0x61, 0x03},
    {33, "Disabled/Disabled", 0x63, 0x00}, {33, "Enabled/Disabled", 0x63, 0x01},
    {33, "Disabled/Enabled", 0x63, 0x02}, {33, "Enabled/Enabled", 0x63, 0x03},
    {32, "Not Swap", 0x62, 0x00}, {32, "Swap Side", 0x62, 0x01},
    {34, "Disabled", 0x67, 0x00}, {34, "Enabled", 0x67, 0x01},
    {36, "OFF", 0x66, 0x00}, {36, "ON", 0x66, 0x01},
    {37, "Disable", 0x72, 0x00}, {37, "3mm", 0x72, 0x01}, {37, "6mm", 0x72, 0x02}, {37, "9mm", 0x72, 0x03},
    {37, "12mm", 0x72, 0x04}, {37, "15mm", 0x72, 0x05}, {37, "18mm", 0x72, 0x06}, {37, "21mm", 0x72, 0x07},
};
// clang-format on

TEST(SettingsEncoding, EveryRowOfTheWriteTable)
{
    for (const auto &row : kWriteRows) {
        SCOPED_TRACE(std::string("item ") + std::to_string(row.item) + " " + row.text);
        const auto commands = EncodeOnly(row.item, row.text);
        // Items before the data bits in the sending order come first.
        const bool beforeDataBits = row.item == 1 || row.item == 2;
        std::vector<SetCommand> expected;
        if (beforeDataBits) {
            expected = {{row.code, row.value}, kDataBits};
        } else {
            expected = {kDataBits, {row.code, row.value}};
        }
        EXPECT_EQ(commands, expected);
    }
}

TEST(SettingsEncoding, TextsCompareWithoutCase)
{
    EXPECT_EQ(EncodeOnly(6, "xon/xoff"), (std::vector<SetCommand>{kDataBits, {0x15, 0x00}}));
    EXPECT_EQ(EncodeOnly(3, "even"), (std::vector<SetCommand>{kDataBits, {0x14, 0x01}}));
    EXPECT_EQ(EncodeOnly(27, "949/54936(CHINA)"), (std::vector<SetCommand>{kDataBits, {0x40, 0x0D}}));
}

TEST(SettingsEncoding, UnknownTextsAndNeverSentItemsSendNothing)
{
    EXPECT_EQ(EncodeOnly(2, "300"), std::vector<SetCommand>{kDataBits});
    EXPECT_EQ(EncodeOnly(3, "MARK"), std::vector<SetCommand>{kDataBits});
    EXPECT_EQ(EncodeOnly(11, "Enabled"), std::vector<SetCommand>{kDataBits});
    EXPECT_EQ(EncodeOnly(25, "Enabledx"), std::vector<SetCommand>{kDataBits});
}

TEST(SettingsEncoding, DataBitsAlwaysGoAsEight)
{
    EXPECT_EQ(EncodeOnly(4, "7"), std::vector<SetCommand>{kDataBits});
    EXPECT_EQ(EncodeOnly(4, ""), std::vector<SetCommand>{kDataBits});
    EXPECT_EQ(SetCommand(kDataBits).bytes(), (std::array<uint8_t, 5>{0x1F, 0x36, 0x12, 0x00, 0xFF}));
}

TEST(SettingsEncoding, MinimumReceiptLengthIsTwoCommands)
{
    const struct {
        const char *text;
        uint8_t low;
        uint8_t high;
    } rows[] = {{"Disabled", 0x00, 0x00}, {"5 Inch", 0xF7, 0x03}, {"10 Inch", 0xEE, 0x07}, {"15 Inch", 0xE5, 0x0B}};
    for (const auto &row : rows) {
        EXPECT_EQ(EncodeOnly(35, row.text), (std::vector<SetCommand>{kDataBits, {0x64, row.low}, {0x65, row.high}}))
            << row.text;
    }
}

TEST(SettingsEncoding, SendingOrderOfAFullRecord)
{
    PrinterSettings settings;
    for (const auto &row : kWriteRows) {
        settings.text(row.item) = row.text;
    }
    settings.text(12) = "Printer Class";
    settings.text(35) = "5 Inch";
    std::vector<uint8_t> codes;
    for (const auto &command : SettingsEncoder::Encode(SettingsCopy::From(settings), PlainModel(), nullptr)) {
        codes.push_back(command.item);
    }
    const std::vector<uint8_t> expected = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x6D, 0x68, 0x21, 0x22,
                                           0x69, 0x6A, 0x70, 0x71, 0x25, 0x27, 0x30, 0x36, 0x31, 0x32, 0x33, 0x6B, 0x6C,
                                           0x37, 0x60, 0x40, 0x61, 0x63, 0x62, 0x64, 0x65, 0x67, 0x66, 0x72};
    EXPECT_EQ(codes, expected);
}

TEST(SettingsEncoding, UsbTypeRule)
{
    const PrinterModelInfo selecting = ModelWith("KOVA-AXX0000", 4, 7);
    const PrinterModelInfo plain = ModelWith("KOVA-AXX0000", 4, 6);
    ASSERT_TRUE(selecting.supportsUsbSelectType());
    ASSERT_FALSE(plain.supportsUsbSelectType());
    const struct {
        const char *usbType;
        const char *select;
        int selecting;  // -1: nothing sent
        int plain;
    } rows[] = {
        {"Vendor Spec. Class", "Auto Select Type", 0x01, 0x01},
        {"Vendor Spec. Class", "Fixed Type", 0x03, 0x01},
        {"Vendor Spec. Class", "", 0x03, 0x01},
        {"Printer Class", "Auto Select Type", 0x02, 0x02},
        {"Printer Class", "Fixed Type", 0x04, 0x02},
        {"Printer Class", "", 0x04, 0x02},
        {"USB COM", "Auto Select Type", 0x05, -1},
        {"USB COM", "Fixed Type", 0x05, -1},
        {"", "Auto Select Type", -1, -1},
        {"printer class", "auto select type", 0x02, 0x02},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.usbType) + " / " + row.select);
        PrinterSettings settings;
        settings.text(12) = row.usbType;
        settings.text(38) = row.select;
        const auto copy = SettingsCopy::From(settings);
        for (const auto &[model, value] : {std::pair{selecting, row.selecting}, std::pair{plain, row.plain}}) {
            std::vector<SetCommand> expected = {kDataBits};
            if (value >= 0) {
                expected.push_back({0x68, static_cast<uint8_t>(value)});
            }
            EXPECT_EQ(SettingsEncoder::Encode(copy, model, nullptr), expected);
        }
    }
}

TEST(SettingsModel, Predicates)
{
    EXPECT_TRUE(ModelWith("ABCDE00FGHIJ", 0, 0).isVornLModel());
    EXPECT_FALSE(ModelWith("ABCDE01FGHIJ", 0, 0).isVornLModel());
    EXPECT_FALSE(ModelWith("ABCDEX0FGHIJ", 0, 0).isVornLModel());
    EXPECT_TRUE(ModelWith("ABCDEFGHIJCN", 0, 0).isChinaModel());
    EXPECT_FALSE(ModelWith("ABCDEFGHIJcn", 0, 0).isChinaModel());
    EXPECT_FALSE(ModelWith("ABCDEFGHICNX", 0, 0).isChinaModel());

    const struct {
        uint8_t major;
        uint8_t minor;
        bool supports;
    } firmware[] = {
        {4, 6, false}, {4, 7, true},  {4, 99, true},  {24, 6, false}, {24, 7, true},  {8, 5, false}, {8, 6, true},
        {6, 2, false}, {6, 3, true},  {94, 6, false}, {94, 7, true},  {5, 0, true},   {7, 0, true},  {10, 0, true},
        {84, 1, true}, {95, 0, true}, {98, 9, true},  {3, 99, false}, {9, 99, false}, {0, 0, false},
    };
    for (const auto &f : firmware) {
        EXPECT_EQ(ModelWith("            ", f.major, f.minor).supportsUsbSelectType(), f.supports)
            << int(f.major) << "." << int(f.minor);
    }
}

TEST(SettingsEncoding, FontSizeModelRule)
{
    const PrinterModelInfo vornL = ModelWith("KOVA-00X00CN", 0, 0);  // Vorn-L wins over China
    const PrinterModelInfo china = ModelWith("KOVA-12X00CN", 0, 0);
    const PrinterModelInfo other = ModelWith("KOVA-12X0000", 0, 0);
    const struct {
        const PrinterModelInfo *model;
        const char *text;
        int value;
        const char *message;
    } rows[] = {
        {&vornL, "INVALID/SIZE 1", -1, "Vorn-L model, only Font Size 2 can be set"},
        {&vornL, "VALID/SIZE 1", -1, "Vorn-L model, only Font Size 2 can be set"},
        {&vornL, "INVALID/SIZE 2", 0x01, ""},
        {&vornL, "VALID/SIZE 2", 0x03, ""},
        {&china, "INVALID/SIZE 1", 0x00, ""},
        {&china, "VALID/SIZE 1", 0x02, ""},
        {&china, "INVALID/SIZE 2", -1, "China model, SIZE2 can not set"},
        {&china, "VALID/SIZE 2", -1, "China model, VALID/SIZE2 can not set"},
        {&other, "INVALID/SIZE 1", 0x00, ""},
        {&other, "VALID/SIZE 2", 0x03, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        PrinterSettings settings;
        settings.text(15) = row.text;
        settings.text(16) = "VALID";  // the item after it is still sent
        std::vector<std::string> refusals;
        const auto commands = SettingsEncoder::Encode(SettingsCopy::From(settings), *row.model, &refusals);
        std::vector<SetCommand> expected = {kDataBits};
        if (row.value >= 0) {
            expected.push_back({0x70, static_cast<uint8_t>(row.value)});
        }
        expected.push_back({0x71, 0x00});
        EXPECT_EQ(commands, expected);
        EXPECT_EQ(refusals, row.message[0] ? std::vector<std::string>{row.message} : std::vector<std::string>{});
    }
}

TEST(SettingsCopyTest, NumbersOfTheSerialItems)
{
    PrinterSettings settings;
    EXPECT_EQ(SettingsCopy::From(settings).baudRate, 0);
    EXPECT_EQ(SettingsCopy::From(settings).stopBits, 0);
    EXPECT_EQ(SettingsCopy::From(settings).parityCode, 3);
    settings.text(2) = "4800";
    settings.text(3) = "odd";
    settings.text(4) = "7";
    settings.text(5) = "2";
    const auto copy = SettingsCopy::From(settings);
    EXPECT_EQ(copy.baudRate, 4800);
    EXPECT_EQ(copy.parityCode, 1);
    EXPECT_EQ(copy.dataBits, 8);
    EXPECT_EQ(copy.stopBits, 2);
    settings.text(3) = "Even";
    EXPECT_EQ(SettingsCopy::From(settings).parityCode, 2);
    settings.text(3) = "None";
    EXPECT_EQ(SettingsCopy::From(settings).parityCode, 0);
    settings.text(3) = "SPACE";
    EXPECT_EQ(SettingsCopy::From(settings).parityCode, 3);
}

// ---- read-back ----

struct ReadRow {
    int item;
    int byte;
    uint8_t bits;  // the byte's value
    const char *text;
};

// clang-format off
const ReadRow kReadRows[] = {
    {1, 1, 0x00, "RS232"}, {1, 1, 0x01, "USB"}, {1, 1, 0x02, "RS232/USB"},
    {2, 2, 0x00, "115200"}, {2, 2, 0x01, "57600"}, {2, 2, 0x02, "38400"}, {2, 2, 0x03, "19200"},
    {2, 2, 0x04, "9600"},
    {4, 2, 0x00, "8"}, {4, 2, 0x10, "7"},
    {5, 2, 0x00, "1"}, {5, 2, 0x20, "2"},
    {3, 2, 0x00, "NONE"}, {3, 2, 0x40, "EVEN"}, {3, 2, 0x80, "ODD"},
    {6, 3, 0x00, "Xon/Xoff"}, {6, 3, 0x01, "DTR/DSR"},
    {7, 3, 0x00, "Ignore Errors"}, {7, 3, 0x04, "Print '?'"},
    {8, 3, 0x00, "4 kBytes"}, {8, 3, 0x08, "One Line"},
    {17, 4, 0x00, "8.13 LPI"}, {17, 4, 0x01, "7.52 LPI"}, {17, 4, 0x03, "7.52 LPI"}, {17, 4, 0x02, "6 LPI"},
    {19, 4, 0x00, "Enabled"}, {19, 4, 0x04, "Disabled"},
    {18, 4, 0x00, "Ignore CR"}, {18, 4, 0x08, "Use as Print cmd."},
    {21, 5, 0x00, "100%"}, {21, 5, 0x01, "110%"}, {21, 5, 0x02, "120%"},
    {22, 5, 0x00, "55 W"}, {22, 5, 0x04, "75 W"},
    {24, 5, 0x00, "80 mm"}, {24, 5, 0x08, "58 mm"},
    {26, 5, 0x00, "Monochrome"}, {26, 5, 0x10, "Color Paper"},
    {25, 5, 0x00, "Enabled"}, {25, 5, 0x20, "Disabled"},
    {23, 5, 0x00, "Enabled"}, {23, 5, 0x40, "Disabled"},
    {27, 6, 0x00, "437"}, {27, 6, 0x10, "850"}, {27, 6, 0x20, "852"}, {27, 6, 0x30, "858"}, {27, 6, 0x40, "860"},
    {27, 6, 0x60, "863"}, {27, 6, 0x80, "865"}, {27, 6, 0x90, "866"}, {27, 6, 0xB0, "1252"}, {27, 6, 0xF0, "857"},
    {27, 6, 0x01, "1253"}, {27, 6, 0x11, "1254"},
    {20, 7, 0x00, "9 Columns"}, {20, 7, 0x40, "14 Columns"},
    {15, 10, 0x00, "INVALID/SIZE 1"}, {15, 10, 0x01, "INVALID/SIZE 2"}, {15, 10, 0x02, "VALID/SIZE 1"},
    {15, 10, 0x03, "VALID/SIZE 2"},
    {16, 11, 0x00, "VALID"}, {16, 11, 0x01, "INVALID"},
    {28, 13, 0x00, "Type1"}, {28, 13, 0x01, "Type2"},
    {29, 13, 0x00, "2Bits Assign"}, {29, 13, 0x10, "1Bit Assign"},
    {10, 14, 0x00, "Disabled"}, {10, 14, 0x01, "Enabled"},
    {37, 15, 0, "Disable"}, {37, 15, 1, "3mm"}, {37, 15, 2, "6mm"}, {37, 15, 3, "9mm"}, {37, 15, 4, "12mm"},
    {37, 15, 5, "15mm"}, {37, 15, 6, "18mm"}, {37, 15, 7, "21mm"},
    {30, 26, 0x01, "DS wt Single"}, {30, 26, 0x02, "DS wt Double"}, {30, 26, 0x03, "DS wt Pre-def Back"},
    {30, 26, 0x00, "Single Side"},
    {31, 26, 0x00, "Normal/Normal"}, {31, 26, 0x04, "Updown/Normal"}, {31, 26, 0x08, "Normal/Updown"},
    {31, 26, 0x0C, "Updown/Updown"},
    {33, 26, 0x00, "Disabled/Disabled"}, {33, 26, 0x10, "Enabled/Disabled"}, {33, 26, 0x20, "Disabled/Enabled"},
    {33, 26, 0x30, "Enabled/Enabled"},
    {32, 26, 0x00, "Not Swap"}, {32, 26, 0x40, "Swap Side"},
    {36, 26, 0x00, "OFF"}, {36, 26, 0x80, "ON"},
    {34, 30, 0x00, "Disabled"}, {34, 30, 0x01, "Enabled"},
    {13, 9, 0x00, "OPOS driver"}, {13, 9, 0x01, "Windows driver"},
    {14, 12, 0x00, "Timing1"}, {14, 12, 0x01, "Timing2"},
};
// clang-format on

PrinterSettings Marked()
{
    PrinterSettings settings;
    for (int n = 1; n <= 38; ++n) {
        settings.text(n) = "was " + std::to_string(n);
    }
    return settings;
}

TEST(SettingsDecoding, EveryRowOfTheReadBackTable)
{
    for (const auto &row : kReadRows) {
        SCOPED_TRACE(std::string("item ") + std::to_string(row.item) + " " + row.text);
        SettingsDecoder::ConfigBytes bytes{};
        bytes[row.byte] = row.bits;
        PrinterSettings settings = Marked();
        SettingsDecoder::Decode(bytes, false, false, settings);
        EXPECT_EQ(settings.text(row.item), row.text);
    }
}

TEST(SettingsDecoding, ValuesWithoutTextLeaveTheItem)
{
    for (uint8_t baud : {0x05, 0x06, 0x07}) {
        SettingsDecoder::ConfigBytes bytes{};
        bytes[2] = baud;
        PrinterSettings settings = Marked();
        SettingsDecoder::Decode(bytes, false, false, settings);
        EXPECT_EQ(settings.text(2), "was 2") << int(baud);
    }
    SettingsDecoder::ConfigBytes bytes{};
    bytes[2] = 0xC0;  // parity 3
    bytes[6] = 0xD0;  // "949/54936(China)" has no read-back text
    bytes[1] = 0x03;
    bytes[15] = 0x08;
    PrinterSettings settings = Marked();
    SettingsDecoder::Decode(bytes, false, false, settings);
    EXPECT_EQ(settings.text(3), "was 3");
    EXPECT_EQ(settings.text(27), "was 27");
    EXPECT_EQ(settings.text(1), "was 1");
    EXPECT_EQ(settings.text(37), "was 37");
    // Never read back.
    EXPECT_EQ(settings.text(9), "was 9");
    EXPECT_EQ(settings.text(11), "was 11");
}

TEST(SettingsDecoding, ThermalModeFromBytes26And31)
{
    const struct {
        uint8_t byte26;
        uint8_t byte31;
        const char *text;
    } rows[] = {
        {0x00, 0x00, "Single Side"},
        {0x00, 0x01, "DS wt On-demand Pre-def Back"},
        {0x00, 0xFE, "Single Side"},
        {0x01, 0x01, "DS wt Single"},
        {0x02, 0x01, "DS wt Double"},
        {0x03, 0x01, "DS wt Pre-def Back"},
        {0xFC, 0x01, "DS wt On-demand Pre-def Back"},
    };
    for (const auto &row : rows) {
        SettingsDecoder::ConfigBytes bytes{};
        bytes[26] = row.byte26;
        bytes[31] = row.byte31;
        PrinterSettings settings;
        SettingsDecoder::Decode(bytes, false, false, settings);
        EXPECT_EQ(settings.text(30), row.text) << int(row.byte26) << "/" << int(row.byte31);
    }
}

TEST(SettingsDecoding, MinimumReceiptLengthQuotients)
{
    const struct {
        unsigned length;
        const char *text;
    } rows[] = {{0, "Disabled"},   {1, "5 Inch"},     {1015, "5 Inch"},  {2029, "5 Inch"}, {2030, "10 Inch"},
                {3044, "10 Inch"}, {3045, "15 Inch"}, {4059, "15 Inch"}, {4060, "was 35"}, {65535, "was 35"}};
    for (const auto &row : rows) {
        SettingsDecoder::ConfigBytes bytes{};
        bytes[27] = row.length & 0xFF;
        bytes[28] = row.length >> 8;
        PrinterSettings settings = Marked();
        SettingsDecoder::Decode(bytes, false, false, settings);
        EXPECT_EQ(settings.text(35), row.text) << row.length;
    }
}

TEST(SettingsDecoding, UsbTypeReadBack)
{
    const struct {
        uint8_t byte29;
        bool selecting;
        const char *usbType;
        const char *select;
    } rows[] = {
        {0x01, true, "Vendor Spec. Class", "Auto Select Type"},
        {0x02, true, "Printer Class", "Auto Select Type"},
        {0x09, true, "Vendor Spec. Class", "Fixed Type"},
        {0x0A, true, "Printer Class", "Fixed Type"},
        {0x0B, true, "USB COM", "Fixed Type"},
        {0xF1, true, "Vendor Spec. Class", "Auto Select Type"},
        {0x03, true, "was 12", "was 38"},
        {0x08, true, "was 12", "was 38"},
        {0x01, false, "Vendor Spec. Class", "Fixed Type"},
        {0x02, false, "Printer Class", "Fixed Type"},
        {0x09, false, "Vendor Spec. Class", "Fixed Type"},
        {0x0B, false, "was 12", "was 38"},
        {0x00, false, "was 12", "was 38"},
    };
    for (const auto &row : rows) {
        SettingsDecoder::ConfigBytes bytes{};
        bytes[29] = row.byte29;
        PrinterSettings settings = Marked();
        SettingsDecoder::Decode(bytes, false, row.selecting, settings);
        EXPECT_EQ(settings.text(12), row.usbType) << int(row.byte29) << " " << row.selecting;
        EXPECT_EQ(settings.text(38), row.select) << int(row.byte29) << " " << row.selecting;
    }
}

TEST(SettingsDecoding, NetworkLeavesTheInterfaceItems)
{
    SettingsDecoder::ConfigBytes bytes{};
    for (auto &b : bytes) {
        b = 0x01;
    }
    bytes[10] = 0x02;  // "VALID/SIZE 1" is not taken over the network
    PrinterSettings settings = Marked();
    SettingsDecoder::Decode(bytes, true, true, settings);
    for (int item : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 38}) {
        EXPECT_EQ(settings.text(item), "was " + std::to_string(item)) << item;
    }
    EXPECT_EQ(settings.text(16), "INVALID");
    EXPECT_EQ(settings.text(28), "Type2");

    for (const auto &[value, text] :
         {std::pair<uint8_t, const char *>{1, "INVALID/SIZE 2"}, {3, "VALID/SIZE 2"}, {0, "was 15"}, {2, "was 15"}}) {
        bytes[10] = value;
        PrinterSettings again = Marked();
        SettingsDecoder::Decode(bytes, true, false, again);
        EXPECT_EQ(again.text(15), text) << int(value);
    }
}

// ---- validation ----

TEST(SettingsValidation, ExactCaseAndExtraTexts)
{
    PrinterSettings settings;
    EXPECT_EQ(settings.firstInvalidItem(), 0);
    settings.text(6) = "xon/xoff";
    EXPECT_EQ(settings.firstInvalidItem(), 6);
    settings.text(6) = "Xon/Xoff";
    EXPECT_EQ(settings.firstInvalidItem(), 0);
    for (const auto &[item, text] : {std::pair{2, "4800"},
                                     {2, "2400"},
                                     {2, "1200"},
                                     {27, "949/54936(China)"},
                                     {30, "DS wt On-demand Pre-def Back"}}) {
        PrinterSettings one;
        one.text(item) = text;
        EXPECT_EQ(one.firstInvalidItem(), 0) << text;
    }
    for (const auto &[item, text] :
         {std::pair{2, "300"}, {2, "115200 "}, {4, "9"}, {38, "auto select type"}, {11, "On"}, {12, "USB com"}}) {
        PrinterSettings one;
        one.text(item) = text;
        EXPECT_EQ(one.firstInvalidItem(), item) << text;
    }
    // The first failing item in record order is reported.
    settings.text(37) = "1mm";
    settings.text(20) = "10 Columns";
    EXPECT_EQ(settings.firstInvalidItem(), 20);
}

}  // namespace
}  // namespace rollvane
