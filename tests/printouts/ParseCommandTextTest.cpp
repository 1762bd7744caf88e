#include "rollvane/printouts/ParseCommandText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;
using rollvane::CommandTextResult;
using rollvane::ParseCommandText;

namespace {

constexpr std::size_t kNoError = static_cast<std::size_t>(-1);

struct Case {
    std::string_view text;
    std::string_view bytes;          // hex, as the printer gets them
    std::size_t errorAt = kNoError;  // a syntax error's token, which leaves no bytes at all
};

// clang-format off
const Case kCases[] = {
    {"ESC \"@\" 0x1D 86 0 ;comment\r\n", "1B 40 1D 56 00"},
    {"esc \"@\"", "40"},                              // names match exactly
    {"@ESC", "40 1B"},                                // a name may follow another character at once
    {"LF A1 Zz", ""},                                 // other names of 2 or 3 characters give nothing
    {"A B C", "41 42 43"},
    {"\"A B C\"", "41 20 42 20 43"},
    {"\"256 ESC\"", "32 35 36 20 45 53 43"},          // letters and digits in quotes are text
    {"ABCD", "", 0},
    {"1 2\r\n  AB1C", "", 7},
    {"ESC\"@\"", "", 0},                              // the quote belongs to the name's token
    {"A\" B C", "", 0},                               // and so does the space after it
    // A quote inside a 2- or 3-character name still counts in the first pass: to it the next
    // quoted text is unquoted, so its spaces separate, and spaces outside quotes are kept.
    {"A\"\r\n\"x y\"", "78 79"},
    {"AB\"\r\n# $", "23 20 24"},
    {"255 0xFF 0Xff 0x", "FF FF FF 00"},
    {"256", "", 0},
    {"\"ok\" 0x100", "", 5},
    {"65536 65791 0x10041", "00 FF 41"},              // 16-bit wrap-around before the 255 limit
    {"1A 1a 0A 1e5", "14 14 0A F5"},                  // decimal with A-F as 10-15: 1A is 20 = 0x14
    {"12G", "", 0},
    {"0x1G", "", 0},
    {"0xx", "", 0},
    {"1x", "", 0},
    {"00x1", "", 0},
    {"1\"", "", 0},
    {"\"word\" ;more \"text\"\r\n", "77 6F 72 64"},
    {"; only\r\n;comments\r\n", ""},
    {"", ""},
    {"\"\"", ""},
    {"1 ;c\r\n2\r\n", "01 02"},
    {"1 ;c\n2\n3\r\n4", "01 04"},                     // a comment ended by LF alone runs on to CR
    {"1;c\r2", "01 02"},
    {"1 ;no end", "01"},
    {"\"a;b\r\nc\"", "61 63"},                        // ';' starts a comment inside quotes too
    {"\"a;b\" \"\r\nx y\"", "61 78 20 79"},           // and hides a quote: the first stays open
    {"\"a\tb\r\nc d\"", "61 62 63 20 64"},
    {"\"abc", "61 62 63"},                            // a quote left open at the end
    {"\"a b", "61 20 62"},
    {"0x1D", "1D"},                                   // tokens as the last bytes
    {"7", "07"},
    {"ESC", "1B"},
    {"Z", "5A"},
    {"A\0B"sv, "41 42"},                              // NUL separates like the zeros of the first pass
    {"1\0" "2"sv, "01 02"},
    {"ESC\0"sv, "1B"},
    {"\"a\0 b\""sv, "61 20 62"},
    {"\0\0"sv, ""},
    {"- 1 -1 \v \xC3\xA9", "2D 01 2D 01 0B C3 A9"},   // any other character gives itself
};
// clang-format on

std::string Hex(const std::vector<uint8_t> &bytes)
{
    std::string text;
    for (const uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
        text += digits;
    }
    return text;
}

TEST(ParseCommandTextTest, TranslatesEveryCaseOfTheLanguage)
{
    // One output vector for all cases, so that stale bytes of an earlier case would show.
    std::vector<uint8_t> output;
    for (const Case &c : kCases) {
        SCOPED_TRACE("input " + testing::PrintToString(std::string(c.text)));
        const CommandTextResult result = ParseCommandText(c.text, output);
        EXPECT_EQ(Hex(output), c.bytes);
        EXPECT_EQ(result.ok, c.errorAt == kNoError);
        if (!result.ok) {
            EXPECT_EQ(result.offset, c.errorAt);
            EXPECT_FALSE(result.reason.empty());
        }
    }
}

TEST(ParseCommandTextTest, TranslatesAFileLargerThanTenMebibytes)
{
    const std::string_view line = "ESC \"@\" \"Total   12.50\" 0x0A ; total\r\n";  // 16 bytes
    std::string text;
    while (text.size() < 11'000'000) {
        text += line;
    }
    std::vector<uint8_t> output;
    ASSERT_TRUE(ParseCommandText(text, output).ok);
    EXPECT_EQ(output.size(), text.size() / line.size() * 16);
}

}  // namespace
