#include "CommandParser.h"
#include "TestBmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    Op op;
    std::vector<uint8_t> args;
    std::vector<uint8_t> data;
    bool operator==(const Seen &) const = default;
};

class Recorder : public CommandSink {
public:
    std::vector<Seen> seen;
    std::vector<uint8_t> bytes;
    bool stopOnRestart = true;
    void OnByte(uint8_t b) override { bytes.push_back(b); }
    bool OnCommand(const Command &c) override
    {
        seen.push_back(
            {c.op, {c.args[0], c.args[1], c.args[2], c.args[3], c.args[4], c.args[5]}, {c.data.begin(), c.data.end()}});
        return !(stopOnRestart && c.op == Op::EndOfSettings);
    }
    std::vector<Op> ops() const
    {
        std::vector<Op> o;
        for (const Seen &s : seen)
            o.push_back(s.op);
        return o;
    }
};

std::vector<uint8_t> B(std::initializer_list<int> v)
{
    return {v.begin(), v.end()};
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t> &c)
{
    a.insert(a.end(), c.begin(), c.end());
    return a;
}

// A stream with one of each kind of command the tool sends.
std::vector<uint8_t> ToolStream()
{
    std::vector<uint8_t> s =
        B({0x1B, 0x40, 0x10, 0x1F, 0x31, 0x05, 0x1F, 0x36, 0x32, 0x01, 0xFF, 0x1D, 0x49, 0x40, 0x27, 0x1D,
           0x49, 0x40, 0xA3, 0x1B, 0x76, 0x1B, 0x45, 0x01, 'H',  'i',  0x00, 0x0A, 0x1F, 0x7A, 0x74, 0x01,
           0x1F, 0x60, 0x02, 0x1F, 0x69, 0x00, 0x00, 0x1F, 0x61, 0x01, 0x1B, 0x2A, 0x21, 0x02, 0x00, 1,
           2,    3,    4,    5,    6,    0x1B, 0x4A, 0xBC, 0x1B, 0x64, 0x06, 0x1F, 0x65, 0x04, 0x2A, 'A',
           'B',  'C',  0x00, 0x1F, 0x74, 0x1D, 0x56, 0x42, 0x03, 0x1B, 0x69, 0x1B, 0x68});
    return s + B({0x1F, 0x30, 0x07, 0x1F}) + TestBmp::Make(8, 2, [](int, int) { return true; }) +
           B({0x1F, 0x30, 0x07, 0x1D, 0x2F, 0x00});
}

}  // namespace

TEST(KovaSimParser, ReadsEveryCommandOfTheToolWhateverTheSplit)
{
    const std::vector<uint8_t> stream = ToolStream();
    Recorder whole;
    CommandParser(whole).Feed(stream.data(), stream.size());

    const std::vector<Op> expected = {Op::Initialize,     Op::Ignored,       Op::ReadConfig,  Op::SetConfig,
                                      Op::ModelQuery,     Op::FirmwareQuery, Op::PaperSensor, Op::Emphasis,
                                      Op::Text,           Op::Text,          Op::Ignored,     Op::LineFeed,
                                      Op::Ignored,        Op::Ignored,       Op::Ignored,     Op::SelectSide,
                                      Op::BitImageLine,   Op::FeedDots,      Op::FeedLines,   Op::DefineMessage,
                                      Op::ConfigPrintout, Op::Cut,           Op::Cut,         Op::Status,
                                      Op::SelectImage,    Op::ImageData,     Op::SelectImage, Op::PrintStoredImage};
    EXPECT_EQ(whole.ops(), expected);
    EXPECT_EQ(whole.bytes, stream);
    EXPECT_EQ(whole.seen[3].args, B({0x32, 0x01, 0xFF, 0, 0, 0}));
    EXPECT_EQ(whole.seen[16].data, B({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(whole.seen[19].args[0], 0x04);
    EXPECT_EQ(whole.seen[19].args[1], 0x2A);
    EXPECT_EQ(whole.seen[19].data, B({'A', 'B', 'C'}));
    EXPECT_EQ(whole.seen[25].data.size(), 70u);

    // Byte by byte, and in uneven pieces, the result is the same.
    Recorder single;
    CommandParser p1(single);
    for (uint8_t byte : stream)
        p1.Feed(&byte, 1);
    EXPECT_EQ(single.seen, whole.seen);
    Recorder pieces;
    CommandParser p2(pieces);
    for (size_t at = 0, n = 1; at < stream.size(); at += n, n = n % 7 + 2)
        p2.Feed(stream.data() + at, std::min(n, stream.size() - at));
    EXPECT_EQ(pieces.seen, whole.seen);
    EXPECT_TRUE(p2.idle());
}

TEST(KovaSimParser, UnknownBytesAreReportedAndReadingResumes)
{
    Recorder r;
    CommandParser p(r);
    const auto in = B({0x1B, 0x01, 0x1B, 0x68, 0x07, 0x1F, 0x36, 0x32, 0x01, 0x00, 0x1D, 0x1B, 0x68});
    p.Feed(in.data(), in.size());
    ASSERT_EQ(r.ops(), (std::vector<Op>{Op::Unknown, Op::Unknown, Op::Status, Op::Unknown, Op::Unknown, Op::Unknown,
                                        Op::Status}));
    EXPECT_EQ(r.seen[0].data, B({0x1B}));
    EXPECT_EQ(r.seen[3].data, B({0x07}));
    // A set command without its closing FF is refused whole.
    EXPECT_EQ(r.seen[4].data, B({0x1F, 0x36, 0x32, 0x01, 0x00}));
}

TEST(KovaSimParser, EndOfSettingsStopsTheFeed)
{
    Recorder r;
    CommandParser p(r);
    const auto in = B({0x1B, 0x68, 0x1D, 0xFF, 0x1B, 0x68});
    EXPECT_EQ(p.Feed(in.data(), in.size()), 4u);
    EXPECT_EQ(r.ops(), (std::vector<Op>{Op::Status, Op::EndOfSettings}));
}

TEST(KovaSimParser, ImageEndsWhereItsHeaderSays)
{
    Recorder r;
    CommandParser p(r);
    const auto bmp = TestBmp::Make(16, 4, [](int x, int) { return x < 8; });
    const auto in = B({0x1F}) + bmp + B({'Z', 0x1B, 0x68});
    p.Feed(in.data(), in.size());
    ASSERT_EQ(r.ops(), (std::vector<Op>{Op::ImageData, Op::Text, Op::Status}));
    EXPECT_EQ(r.seen[0].data, bmp);
}

TEST(KovaSimParser, ImagesTooBigOrBrokenAreNotKept)
{
    // An announced length beyond the limit is let through without being stored.
    Recorder r;
    CommandParser p(r);
    const uint32_t size = CommandParser::kMaxImageFile + 100;
    auto in = B({0x1F, 'B', 'M', int(size & 0xFF), int((size >> 8) & 0xFF), int((size >> 16) & 0xFF), 0});
    in.resize(1 + size, 0x41);
    in = in + B({0x1B, 0x68});
    p.Feed(in.data(), in.size());
    EXPECT_EQ(r.ops(), (std::vector<Op>{Op::Unknown, Op::Status}));

    // A header announcing less than a header is refused at once.
    Recorder r2;
    CommandParser p2(r2);
    const auto bad = B({0x1F, 'B', 'M', 10, 0, 0, 0, 0x1B, 0x68});
    p2.Feed(bad.data(), bad.size());
    EXPECT_EQ(r2.ops(), (std::vector<Op>{Op::Unknown, Op::Status}));
}

TEST(KovaSimParser, MessageTextIsCappedAndAMissingEndIsGivenUp)
{
    Recorder r;
    CommandParser p(r);
    std::vector<uint8_t> in = B({0x1F, 0x65, 0x02, 0x00});
    in.resize(in.size() + 600, 'x');
    in.push_back(0x00);
    p.Feed(in.data(), in.size());
    ASSERT_EQ(r.ops(), (std::vector<Op>{Op::DefineMessage}));
    EXPECT_EQ(r.seen[0].data.size(), CommandParser::kMaxMessageText);

    Recorder r2;
    CommandParser p2(r2);
    std::vector<uint8_t> endless = B({0x1F, 0x65, 0x02, 0x00});
    endless.resize(endless.size() + CommandParser::kMaxUnterminated + 10, 'y');
    p2.Feed(endless.data(), endless.size());
    ASSERT_FALSE(r2.seen.empty());
    EXPECT_EQ(r2.seen[0].op, Op::Unknown);
    EXPECT_EQ(r2.seen.back().op, Op::Text);  // what follows prints as text again
}

TEST(KovaSimParser, LengthPrefixedCommandsTakeExactlyTheirBytes)
{
    Recorder r;
    CommandParser p(r);
    // A 2 x 3 byte raster picture, a 2D-code block to pass over, then a status request.
    const auto in = B({0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03, 0x00, 1,    2,    3,    4,   5,
                       6,    0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00, 0x1B, 0x68});
    p.Feed(in.data(), in.size());
    ASSERT_EQ(r.ops(), (std::vector<Op>{Op::RasterImage, Op::Ignored, Op::Status}));
    EXPECT_EQ(r.seen[0].data, B({1, 2, 3, 4, 5, 6}));

    // A picture over a megabyte is kept whole; one over what a command may
    // hold is passed over without being stored, its bytes counted exactly.
    struct Case {
        size_t widthBytes;
        size_t rows;
        std::vector<Op> ops;
    };
    const Case cases[] = {
        {1024, 1280, {Op::RasterImage, Op::Status}},
        {72, 20000, {Op::RasterImage, Op::Status}},
        {65535, 1025, {Op::Unknown, Op::Status}},
    };
    for (const Case &c : cases) {
        Recorder big;
        CommandParser p2(big);
        auto huge = B({0x1D, 0x76, 0x30, 0x00, static_cast<uint8_t>(c.widthBytes % 256),
                       static_cast<uint8_t>(c.widthBytes / 256), static_cast<uint8_t>(c.rows % 256),
                       static_cast<uint8_t>(c.rows / 256)});
        const size_t size = c.widthBytes * c.rows;
        huge.resize(huge.size() + size);
        for (size_t i = 8; i < huge.size(); ++i)
            huge[i] = static_cast<uint8_t>(i * 7);
        huge.insert(huge.end(), {0x1B, 0x68});
        // Fed in uneven pieces, so runs of payload end anywhere.
        for (size_t at = 0, piece = 1; at < huge.size(); at += piece, piece = piece * 3 % 100003 + 1)
            p2.Feed(huge.data() + at, std::min(piece, huge.size() - at));
        ASSERT_EQ(big.ops(), c.ops) << size;
        EXPECT_EQ(big.bytes.size(), huge.size()) << "every byte is seen once";
        if (c.ops[0] == Op::RasterImage) {
            EXPECT_EQ(big.seen[0].data.size(), size);
            EXPECT_TRUE(std::equal(big.seen[0].data.begin(), big.seen[0].data.end(), huge.begin() + 8));
        }
    }
}

TEST(KovaSimParser, ResetForgetsAHalfCommand)
{
    Recorder r;
    CommandParser p(r);
    const auto half = B({0x1B, 0x2A, 0x21, 0x40, 0x02, 0xFF, 0xFF});
    p.Feed(half.data(), half.size());
    EXPECT_FALSE(p.idle());
    p.Reset();
    const auto next = B({0x1B, 0x68});
    p.Feed(next.data(), next.size());
    EXPECT_EQ(r.ops(), (std::vector<Op>{Op::Status}));
}
