// The line contents of the test prints: bit-image lines of every duty code, the rolling
// characters, the All H header and the progress texts.
#include "rollvane/printouts/TestPatterns.h"

#include <gtest/gtest.h>

#include <string>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Head(const Bytes &line, std::size_t from, std::size_t count)
{
    return Bytes(line.begin() + static_cast<std::ptrdiff_t>(from),
                 line.begin() + static_cast<std::ptrdiff_t>(from + count));
}

TEST(TestPatternsTest, DutyLines)
{
    const struct {
        const char *name;
        int code;
        int dots;
        Bytes start;  // the 5 command bytes, then the bytes of the first columns
    } cases[] = {
        {"12.5% at 58 mm",
         3,
         424,
         {0x1B, 0x2A, 0x21, 0xA8, 0x01, 0x02, 0x02, 0x02, 0x04, 0x04, 0x04, 0x08, 0x08, 0x08}},
        {"12.5% wraps after 80", 3, 576, {0x1B, 0x2A, 0x21, 0x40, 0x02, 0x02, 0x02, 0x02, 0x04, 0x04,
                                          0x04, 0x08, 0x08, 0x08, 0x10, 0x10, 0x10, 0x20, 0x20, 0x20,
                                          0x40, 0x40, 0x40, 0x80, 0x80, 0x80, 0x01, 0x01, 0x01, 0x02}},
        {"25%",
         4,
         576,
         {0x1B, 0x2A, 0x21, 0x40, 0x02, 0x22, 0x22, 0x22, 0x44, 0x44, 0x44, 0x88, 0x88, 0x88, 0x11, 0x11, 0x11, 0x22}},
        {"50%", 5, 576, {0x1B, 0x2A, 0x21, 0x40, 0x02, 0x55, 0x55, 0x55, 0xAA, 0xAA, 0xAA, 0x55}},
        {"75%",
         6,
         424,
         {0x1B, 0x2A, 0x21, 0xA8, 0x01, 0xEE, 0xEE, 0xEE, 0x77, 0x77, 0x77, 0xBB, 0xBB, 0xBB, 0xDD, 0xDD, 0xDD, 0xEE}},
        {"100%", 7, 576, {0x1B, 0x2A, 0x21, 0x40, 0x02, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes line = TestPatterns::DutyLine(c.code, c.dots);
        ASSERT_EQ(line.size(), 5u + 3u * static_cast<std::size_t>(c.dots));
        EXPECT_EQ(Head(line, 0, c.start.size()), c.start);
        // Every column's three bytes are equal, up to the last.
        for (std::size_t i = 5; i + 2 < line.size(); i += 3) {
            ASSERT_TRUE(line[i] == line[i + 1] && line[i] == line[i + 2]) << "column at " << i;
        }
    }
    EXPECT_EQ(TestPatterns::DutyLine(3, 424).size(), 5u + 1272u);
}

TEST(TestPatternsTest, TextLinesHeaderAndProgress)
{
    EXPECT_EQ(TestPatterns::AllHLine(48), Bytes(48, 'H'));
    EXPECT_EQ(TestPatterns::AllHLine(36), Bytes(36, 'H'));

    const Bytes rolling = TestPatterns::RollingLine(4, 0x7E);
    EXPECT_EQ(rolling, (Bytes{0x7E, 0x7F, 0x20, 0x21}));
    EXPECT_EQ(TestPatterns::NextPrintable(0x7F), 0x20);
    EXPECT_EQ(TestPatterns::NextPrintable(0x20), 0x21);
    const Bytes full = TestPatterns::RollingLine(48, 0x20);
    EXPECT_EQ(full.front(), 0x20);
    EXPECT_EQ(full.back(), 0x20 + 47);

    std::tm time{};
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 7;
    time.tm_mon = 11;  // December
    time.tm_mday = 3;
    time.tm_year = 126;
    const struct {
        int page;
        int chars;
        std::string expected;
    } headers[] = {
        {7, 48,
         std::string("Page \0"
                     "7\0\0",
                     9) +
             std::string(12, ' ') + std::string("09:05:07\0", 9) + std::string(12, ' ') +
             std::string("12/03/26\0\n", 10)},
        {7, 36,
         std::string("Page \0"
                     "7\0\0",
                     9) +
             std::string(6, ' ') + std::string("09:05:07\0", 9) + std::string(6, ' ') +
             std::string("12/03/26\0\n", 10)},
        {12, 48,
         std::string("Page \0"
                     "12\0",
                     9) +
             std::string(12, ' ') + std::string("09:05:07\0", 9) + std::string(12, ' ') +
             std::string("12/03/26\0\n", 10)},
    };
    for (const auto &h : headers) {
        const Bytes line = TestPatterns::HeaderLine(h.page, h.chars, time);
        EXPECT_EQ(std::string(line.begin(), line.end()), h.expected) << h.page << " at " << h.chars;
    }

    const struct {
        int page;
        uint32_t line;
        uint32_t divisor;
        const char *text;
    } progress[] = {
        {1, 1, 24, "Printing Page 1: 4.17%"}, {1, 2, 24, "Printing Page 1: 8.33%"}, {1, 18, 24, "Printing Page 1: 75%"},
        {1, 24, 24, "Printing Page 1: 100%"}, {2, 1, 27, "Printing Page 2: 3.7%"},  {1, 10, 27, "Printing Page 1: 37%"},
    };
    for (const auto &p : progress) {
        EXPECT_EQ(TestPatterns::ProgressText(p.page, p.line, p.divisor), p.text);
    }
}

}  // namespace
}  // namespace rollvane
