#include "ConfigTable.h"
#include "Font.h"
#include "PrinterConfig.h"
#include "ToolTables.h"

#include <gtest/gtest.h>

namespace {

std::array<uint8_t, 32> BytesOf(const PrinterConfig &c)
{
    std::array<uint8_t, 32> out{};
    for (int n = 1; n <= 31; ++n)
        out[n] = c.byte(n);
    return out;
}

}  // namespace

TEST(KovaSimConfig, FactoryDefaultsReadAsAReadyPrinter)
{
    const auto texts = ToolTables::Decode(BytesOf(PrinterConfig()));
    EXPECT_EQ(texts.at("Baudrate"), "115200");
    EXPECT_EQ(texts.at("Databits"), "8");
    EXPECT_EQ(texts.at("Paritybit"), "NONE");
    EXPECT_EQ(texts.at("Stopbits"), "1");
    EXPECT_EQ(texts.at("FlowCtrl"), "Xon/Xoff");
    EXPECT_EQ(texts.at("PaperWidth"), "80 mm");
    EXPECT_EQ(texts.at("DefaultCP"), "437");
    EXPECT_EQ(texts.at("Comtype"), "RS232/USB");
    EXPECT_EQ(PrinterConfig().printWidth(), 576);
}

TEST(KovaSimConfig, EveryWrittenTextReadsBackTheSame)
{
    for (const ToolTables::Write &w : ToolTables::Writes()) {
        for (const auto &[text, commands] : w.values) {
            PrinterConfig c;
            for (const auto &[code, value] : commands)
                ASSERT_TRUE(c.Apply(code, value)) << w.item << " " << text;
            EXPECT_EQ(ToolTables::Decode(BytesOf(c))[w.item], text) << w.item;
        }
    }
}

TEST(KovaSimConfig, AValueWithoutTextKeepsItsByteAndOthersAreRefused)
{
    PrinterConfig c;
    EXPECT_TRUE(c.Apply(0x11, 0x05));  // 4800 baud
    EXPECT_EQ(c.byte(2) & 7, 5);
    EXPECT_TRUE(c.Apply(0x40, 0x0D));  // the Chinese code page
    EXPECT_EQ(c.byte(6), 0xD0);
    EXPECT_TRUE(c.Apply(0x18, 0x01));  // DSR, never read back, still kept
    const PrinterConfig before = c;
    EXPECT_FALSE(c.Apply(0x14, 0x03));  // parity has no fourth value
    EXPECT_FALSE(c.Apply(0x10, 0x03));
    EXPECT_FALSE(c.Apply(0x68, 0x00));
    EXPECT_FALSE(c.Apply(0x68, 0x06));
    EXPECT_FALSE(c.Apply(0x60, 0x05));
    EXPECT_FALSE(c.Apply(0x40, 0x05));  // no code page 05
    EXPECT_FALSE(c.Apply(0x72, 0x08));
    EXPECT_FALSE(c.Apply(0x99, 0x00));  // no such item
    EXPECT_TRUE(c == before);
}

TEST(KovaSimConfig, ThermalModeFourUsesByteThirtyOne)
{
    PrinterConfig c;
    ASSERT_TRUE(c.Apply(0x60, 0x03));
    ASSERT_TRUE(c.Apply(0x60, 0x04));
    EXPECT_EQ(c.byte(26) & 3, 0);
    EXPECT_EQ(c.byte(31) & 1, 1);
    ASSERT_TRUE(c.Apply(0x60, 0x02));
    EXPECT_EQ(c.byte(26) & 3, 2);
    EXPECT_EQ(c.byte(31) & 1, 0);
}

TEST(KovaSimConfig, ConfigurationWordsCarryBothBytesOfThePair)
{
    PrinterConfig c;
    for (int n = 1; n <= 31; ++n)
        c.SetByte(n, static_cast<uint8_t>(0xA0 + n));
    for (int n = 1; n <= 31; ++n) {
        const auto w = c.word(n);
        EXPECT_EQ(n % 2 == 0 ? w[0] : w[1], 0xA0 + n) << n;
    }
    EXPECT_EQ(c.word(4), (std::array<uint8_t, 2>{0xA4, 0xA5}));
    EXPECT_EQ(c.word(5), (std::array<uint8_t, 2>{0xA4, 0xA5}));
    EXPECT_EQ(c.word(1), (std::array<uint8_t, 2>{0x00, 0xA1}));
    EXPECT_EQ(c.word(31), (std::array<uint8_t, 2>{0xBE, 0xBF}));
    EXPECT_EQ(c.word(200), (std::array<uint8_t, 2>{0x00, 0x00}));
}

TEST(KovaSimConfig, PrintWidthAndLineSpacingFollowTheBytes)
{
    PrinterConfig c;
    ASSERT_TRUE(c.Apply(0x32, 0x01));
    EXPECT_EQ(c.printWidth(), 432);
    EXPECT_EQ(c.lineSpacing(), 25);
    ASSERT_TRUE(c.Apply(0x21, 0x02));
    EXPECT_EQ(c.lineSpacing(), 34);
}

TEST(KovaSimConfig, PrintoutNamesEveryItemWithItsText)
{
    PrinterConfig c;
    ASSERT_TRUE(c.Apply(0x60, 0x04));
    ASSERT_TRUE(c.Apply(0x64, 0xEE));
    ASSERT_TRUE(c.Apply(0x65, 0x07));
    ASSERT_TRUE(c.Apply(0x68, 0x04));
    std::map<std::string, std::string> printed;
    for (const auto &line : c.Describe())
        printed[line.label] = line.text;
    EXPECT_EQ(printed.size(), 37u);  // all but the never-sent USU messages
    EXPECT_EQ(printed["Thermal Mode"], "DS wt On-demand Pre-def Back");
    EXPECT_EQ(printed["Min Rcpt Length"], "10 Inch");
    EXPECT_EQ(printed["USB Type"], "Printer Class");
    EXPECT_EQ(printed["USB Select Type"], "Fixed Type");
    EXPECT_EQ(printed["Default C P"], "437");
}

TEST(KovaSimConfig, EveryCodePageButTheDoubleByteOneHasItsCharacters)
{
    for (const CodePage &page : ConfigTable::CodePages())
        EXPECT_EQ(Font::KnownCodePage(page.setValue), page.setValue != 0x0D) << page.name;
    // The same byte is a different character in different code pages.
    bool differs = false;
    for (int y = 0; y < Font::kHeight; ++y)
        differs = differs || Font::Row(0x80, y, 0x00) != Font::Row(0x80, y, 0x0B);
    EXPECT_TRUE(differs);
}
