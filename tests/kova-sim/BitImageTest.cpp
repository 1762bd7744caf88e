// ESC * bit-image lines on the paper: which dots each mode heats and how far
// the line feeds after them move the paper.
#include "Bitmap.h"
#include "Receipt.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 576;
constexpr int kPitch = 25;  // the configured 8.13 lines an inch

using Dots = std::set<std::pair<int, int>>;

Dots Rect(int x0, int x1, int y0, int y1)
{
    Dots d;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y)
            d.insert({x, y});
    return d;
}

Dots operator+(Dots a, const Dots &b)
{
    a.insert(b.begin(), b.end());
    return a;
}

Dots BlackDots(Receipt &r)
{
    Bitmap page(kWidth, 2 * Receipt::kMaxPanelHeight + 48);
    const int height = r.Compose(page);
    Dots d;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (page.get(x, y))
                d.insert({x, y});
    return d;
}

// A 24-dot line of full columns from x = 0 (or after what the line holds).
void FullLine(Receipt &r, int columns = 8)
{
    const std::vector<uint8_t> data(static_cast<size_t>(columns) * 3, 0xFF);
    r.BitImageColumns(0x21, data, columns);
}

}  // namespace

TEST(KovaSimBitImage, EachModeHeatsItsDots)
{
    // Two columns each: the first with its top dot, the second with its bottom one.
    struct Case {
        uint8_t mode;
        std::vector<uint8_t> data;
        Dots expected;
    };
    const Case cases[] = {
        {0x21, {0x80, 0x00, 0x00, 0x00, 0x00, 0x01}, {{0, 0}, {1, 23}}},
        {0x20, {0x80, 0x00, 0x00, 0x00, 0x00, 0x01}, Rect(0, 2, 0, 1) + Rect(2, 4, 23, 24)},
        // 8-dot modes: a third of the vertical density, each dot three rows tall.
        {0x01, {0x80, 0x01}, Rect(0, 1, 0, 3) + Rect(1, 2, 21, 24)},
        {0x00, {0x80, 0x01}, Rect(0, 2, 0, 3) + Rect(2, 4, 21, 24)},
        // The middle byte of a 24-dot column is rows 8 to 15, most significant bit on top.
        {0x21, {0x00, 0x81, 0x00, 0x00, 0x00, 0x00}, {{0, 8}, {0, 15}}},
    };
    for (const Case &c : cases) {
        Receipt r(kWidth, kPitch, 0);
        r.BitImageColumns(c.mode, c.data, 2);
        EXPECT_EQ(BlackDots(r), c.expected) << "mode " << int(c.mode);
    }

    // Columns beyond the paper are not drawn.
    Receipt narrow(432, kPitch, 0);
    FullLine(narrow, 440);
    EXPECT_EQ(BlackDots(narrow), Rect(0, 432, 0, 24));
}

TEST(KovaSimBitImage, LineFeedsAfterBitImageLines)
{
    // Between two lines: ESC 3 n when n > 0, then ESC 2 when asked, then the
    // feed; where the second line's 24 rows start.
    enum class Feed {
        LF,
        TwoLF,
        EscD2,
        EscJ30
    };
    struct Case {
        int escThree;
        bool escTwo;
        Feed feed;
        int secondTop;
    };
    const Case cases[] = {
        {0, false, Feed::LF, 24},  // the configured pitch: the lines join
        {30, false, Feed::LF, 30},
        {24, false, Feed::LF, 24},
        {10, false, Feed::LF, 24},
        {40, true, Feed::LF, 24},
        {0, false, Feed::EscD2, 24 + kPitch},
        {0, false, Feed::EscJ30, 30},
        {0, false, Feed::TwoLF, 24 + kPitch},
    };
    for (const Case &c : cases) {
        Receipt r(kWidth, kPitch, 0);
        FullLine(r);
        if (c.escThree > 0)
            r.SetLineSpacing(c.escThree);
        if (c.escTwo)
            r.ResetLineSpacing();
        switch (c.feed) {
        case Feed::LF:
            r.LineFeed();
            break;
        case Feed::TwoLF:
            r.LineFeed();
            r.LineFeed();
            break;
        case Feed::EscD2:
            r.FeedLines(2);
            break;
        case Feed::EscJ30:
            r.FeedDots(30);
            break;
        }
        FullLine(r);
        EXPECT_EQ(BlackDots(r), Rect(0, 8, 0, 24) + Rect(0, 8, c.secondTop, c.secondTop + 24))
            << "ESC 3 " << c.escThree << " ESC 2 " << c.escTwo << " feed " << int(c.feed);
    }

    // With a character in it the line keeps the pitch, and so does the next
    // receipt's line after ESC @ put the spacing back.
    Receipt mixed(kWidth, kPitch, 0);
    mixed.Text('.');
    FullLine(mixed);
    mixed.LineFeed();
    mixed.SetLineSpacing(30);
    mixed.Initialize();
    FullLine(mixed);
    mixed.LineFeed();
    FullLine(mixed);
    const Dots dots = BlackDots(mixed);
    EXPECT_TRUE(dots.count({12, 23}) == 1 && dots.count({0, kPitch - 1}) == 0 && dots.count({0, kPitch}) == 1);
    EXPECT_TRUE(dots.count({0, kPitch + 24}) == 1 && dots.count({0, kPitch + 48}) == 0);
}
