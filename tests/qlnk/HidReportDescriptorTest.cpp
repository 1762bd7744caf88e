// The HID report-descriptor parser against descriptors as devices send them, down to each
// value record, and against malformed ones, each refused with its reason.
#include "transports/CHidReportDescriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr auto kIn = CHidValueCaps::Input;
constexpr auto kOut = CHidValueCaps::Output;
constexpr auto kFeat = CHidValueCaps::Feature;

auto Fields(const CHidValueCaps &v)
{
    return std::tuple(int{v.kind}, v.usagePage, v.usage, v.isRange, v.usageMin, v.usageMax, v.linkCollection,
                      v.linkUsagePage, v.linkUsage, v.reportId, v.reportCount, v.bitSize, v.bitOffset);
}

}  // namespace

bool operator==(const CHidValueCaps &a, const CHidValueCaps &b)
{
    return Fields(a) == Fields(b);
}

void PrintTo(const CHidValueCaps &v, std::ostream *out)
{
    *out << std::hex << "{kind " << int{v.kind} << ", page " << v.usagePage << ", usage " << v.usage
         << (v.isRange ? ", range " : ", not range ") << v.usageMin << ".." << v.usageMax << ", link "
         << v.linkCollection << " " << v.linkUsagePage << ":" << v.linkUsage << ", id " << int{v.reportId} << std::dec
         << ", count " << v.reportCount << ", bits " << v.bitSize << ", offset " << v.bitOffset << "}";
}

namespace {

// A record named by a single usage.
CHidValueCaps One(CHidValueCaps::Kind kind, uint16_t page, uint16_t usage, uint16_t link, uint16_t linkPage,
                  uint16_t linkUsage, uint8_t id, uint16_t count, uint16_t bits, uint32_t offset)
{
    return {kind, page, usage, false, usage, usage, link, linkPage, linkUsage, id, count, bits, offset};
}

CHidValueCaps Range(CHidValueCaps::Kind kind, uint16_t page, uint16_t minimum, uint16_t maximum, uint16_t link,
                    uint16_t linkPage, uint16_t linkUsage, uint8_t id, uint16_t count, uint16_t bits, uint32_t offset)
{
    return {kind, page, minimum, true, minimum, maximum, link, linkPage, linkUsage, id, count, bits, offset};
}

struct WellFormed {
    const char *name;
    Bytes descriptor;
    std::vector<CHidValueCaps> values;
    std::size_t inputBytes, outputBytes, featureBytes;
};

// The boot keyboard of the HID class definition: modifier bits, a reserved byte, LED bits with
// their padding, and a six-key array.
const Bytes kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                          // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,  // modifiers E0..E7, 0..1
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                          // 8 x 1 bit, Input (Data, Var)
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                          // reserved byte, Input (Const)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05,  // LEDs 1..5
    0x91, 0x02,                                                  // Output (Data, Var)
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                          // LED padding, Output (Const)
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,              // 6 x 8 bits, 0..101
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,              // keys 0..101, Input (Data, Array)
    0xC0,
};

// A mouse (report 1) and a consumer control (report 2); the wheel's usage is a 4-byte one
// carrying its page, and a long item sits among the items.
const Bytes kMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,                                // Generic Desktop, Mouse, Application
    0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,                                // report 1, Pointer, Physical
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,        // buttons 1..3
    0x95, 0x03, 0x75, 0x01, 0x81, 0x02,                                // Input (Data, Var)
    0x95, 0x01, 0x75, 0x05, 0x81, 0x03,                                // padding, Input (Const)
    0xFE, 0x02, 0x10, 0xAA, 0xBB,                                      // a long item
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x0B, 0x38, 0x00, 0x01, 0x00,  // X, Y, Generic Desktop:Wheel
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06,        // 3 x 8 bits, Input (Data, Var, Rel)
    0xC0, 0xC0,                                                        //
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02,              // Consumer, Consumer Control, Application, report 2
    0x19, 0x00, 0x2A, 0x3C, 0x02, 0x15, 0x00, 0x26, 0x3C, 0x02,  // usages 0..0x23C
    0x95, 0x01, 0x75, 0x10, 0x81, 0x00,                          // 1 x 16 bits, Input (Data, Array)
    0xC0,
};

// The printer's vendor layout: a short (0x10) and a long (0x11) output report, each with its
// data (0xA0) and length (0xA2), and a feature report with 0xA1 and 0xA2; the long length is
// 16 bits wide between a Push and a Pop.
const Bytes kPrinter = {
    0x06, 0x8B, 0xFF, 0x09, 0x01, 0xA1, 0x01,                    // vendor page 0xFF8B, usage 1, Application
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,                    // 0..255, 8 bits
    0x09, 0x10, 0xA1, 0x02, 0x85, 0x01,                          // short report: Logical 0x10, report 1
    0x09, 0xA0, 0x95, 0x3E, 0x91, 0x02,                          // data: 62 bytes, Output (Data, Var)
    0x09, 0xA2, 0x95, 0x01, 0x91, 0x02,                          // length
    0xC0,                                                        //
    0x09, 0x11, 0xA1, 0x02, 0x85, 0x02,                          // long report: Logical 0x11, report 2
    0x09, 0xA0, 0x96, 0xFD, 0x01, 0x91, 0x02,                    // data: 509 bytes
    0xA4, 0x75, 0x10, 0x09, 0xA2, 0x95, 0x01, 0x91, 0x02, 0xB4,  // Push, 16-bit length, Pop
    0xC0,                                                        //
    0x09, 0x10, 0xA1, 0x02, 0x85, 0x03,                          // feature: Logical 0x10, report 3
    0x09, 0xA1, 0x95, 0x3E, 0xB1, 0x02,                          // data: 62 bytes, Feature (Data, Var)
    0x75, 0x10, 0x09, 0xA2, 0x95, 0x01, 0xB1, 0x02,              // 16-bit length
    0xC0, 0xC0,
};

// Our naming rules where they decide something: a delimited set keeps its first usage, the last
// usage of a variable item takes the fields left, usages beyond the fields name nothing, each
// usage of an array covers the whole array, and an item without usages is usage 0.
const Bytes kRules = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01,                          // Generic Desktop, Game Pad, Application
    0x75, 0x04, 0x95, 0x03,                                      // 3 x 4 bits
    0xA9, 0x01, 0x09, 0x30, 0x09, 0x32, 0xA9, 0x00,              // delimited set: X, alias Z
    0x09, 0x31, 0x81, 0x02,                                      // Y, Input (Data, Var)
    0x95, 0x01, 0x09, 0x33, 0x09, 0x34, 0x09, 0x35, 0x81, 0x02,  // 1 field for Rx, Ry, Rz
    0x75, 0x08, 0x95, 0x02, 0x09, 0x36, 0x09, 0x37, 0x81, 0x00,  // array of Slider, Dial
    0x81, 0x02,                                                  // no usages
    0xC0,
};

TEST(HidReportDescriptor, RealDescriptorsGiveTheirExactValueRecords)
{
    const std::vector<WellFormed> cases = {
        {"boot keyboard",
         kKeyboard,
         {Range(kIn, 0x07, 0xE0, 0xE7, 0, 0x01, 0x06, 0, 8, 1, 0),
          Range(kOut, 0x08, 0x01, 0x05, 0, 0x01, 0x06, 0, 5, 1, 0),
          Range(kIn, 0x07, 0x00, 0x65, 0, 0x01, 0x06, 0, 6, 8, 16)},
         9,
         2,
         0},
        {"mouse with report ids",
         kMouse,
         {Range(kIn, 0x09, 1, 3, 1, 0x01, 0x01, 1, 3, 1, 0), One(kIn, 0x01, 0x30, 1, 0x01, 0x01, 1, 1, 8, 8),
          One(kIn, 0x01, 0x31, 1, 0x01, 0x01, 1, 1, 8, 16), One(kIn, 0x01, 0x38, 1, 0x01, 0x01, 1, 1, 8, 24),
          Range(kIn, 0x0C, 0x000, 0x23C, 2, 0x0C, 0x01, 2, 1, 16, 0)},
         5,
         0,
         0},
        {"printer vendor layout",
         kPrinter,
         {One(kOut, 0xFF8B, 0xA0, 1, 0xFF8B, 0x10, 1, 62, 8, 0), One(kOut, 0xFF8B, 0xA2, 1, 0xFF8B, 0x10, 1, 1, 8, 496),
          One(kOut, 0xFF8B, 0xA0, 2, 0xFF8B, 0x11, 2, 509, 8, 0),
          One(kOut, 0xFF8B, 0xA2, 2, 0xFF8B, 0x11, 2, 1, 16, 4072),
          One(kFeat, 0xFF8B, 0xA1, 3, 0xFF8B, 0x10, 3, 62, 8, 0),
          One(kFeat, 0xFF8B, 0xA2, 3, 0xFF8B, 0x10, 3, 1, 16, 496)},
         0,
         512,
         65},
        {"naming rules",
         kRules,
         {One(kIn, 0x01, 0x30, 0, 0x01, 0x05, 0, 1, 4, 0), One(kIn, 0x01, 0x31, 0, 0x01, 0x05, 0, 2, 4, 4),
          One(kIn, 0x01, 0x33, 0, 0x01, 0x05, 0, 1, 4, 12), One(kIn, 0x01, 0x36, 0, 0x01, 0x05, 0, 2, 8, 16),
          One(kIn, 0x01, 0x37, 0, 0x01, 0x05, 0, 2, 8, 16), One(kIn, 0x01, 0x00, 0, 0x01, 0x05, 0, 2, 8, 32)},
         7,
         0,
         0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CHidReportDescriptor parsed;
        std::string why;
        ASSERT_TRUE(parsed.Parse(c.descriptor.data(), c.descriptor.size(), &why)) << why;
        EXPECT_EQ(parsed.values(), c.values);
        EXPECT_EQ(parsed.ReportByteLength(kIn), c.inputBytes);
        EXPECT_EQ(parsed.ReportByteLength(kOut), c.outputBytes);
        EXPECT_EQ(parsed.ReportByteLength(kFeat), c.featureBytes);

        // Every shorter piece, in a buffer of exactly its size, is read without a step past it;
        // one that is a whole descriptor gives the records of its items and no others.
        for (std::size_t length = 0; length < c.descriptor.size(); ++length) {
            const Bytes piece(c.descriptor.begin(), c.descriptor.begin() + static_cast<std::ptrdiff_t>(length));
            CHidReportDescriptor cut;
            if (cut.Parse(piece.data(), piece.size(), nullptr)) {
                ASSERT_LE(cut.values().size(), c.values.size()) << length;
                EXPECT_TRUE(std::equal(cut.values().begin(), cut.values().end(), c.values.begin())) << length;
            } else {
                EXPECT_TRUE(cut.values().empty()) << length;
            }
        }
        // Without its last End Collection it is refused.
        CHidReportDescriptor open;
        EXPECT_FALSE(open.Parse(c.descriptor.data(), c.descriptor.size() - 1, nullptr));
    }
}

TEST(HidReportDescriptor, FindsByUsageOrRangeWithinTheLinkCollection)
{
    CHidReportDescriptor printer;
    ASSERT_TRUE(printer.Parse(kPrinter.data(), kPrinter.size(), nullptr));
    const auto &values = printer.values();
    EXPECT_EQ(printer.Find(kOut, 0xFF8B, 0xA0, 0x10), &values[0]);
    EXPECT_EQ(printer.Find(kOut, 0xFF8B, 0xA2, 0x11), &values[3]);
    EXPECT_EQ(printer.Find(kFeat, 0xFF8B, 0xA2, 0x10), &values[5]);
    EXPECT_EQ(printer.Find(kFeat, 0xFF8B, 0xA1, 0x11), nullptr);
    EXPECT_EQ(printer.Find(kOut, 0xFF8B, 0xA1, 0x10), nullptr);
    EXPECT_EQ(printer.Find(kOut, 0xFF8C, 0xA0, 0x10), nullptr);

    CHidReportDescriptor mouse;
    ASSERT_TRUE(mouse.Parse(kMouse.data(), kMouse.size(), nullptr));
    EXPECT_EQ(mouse.Find(kIn, 0x09, 3, 0x01), &mouse.values()[0]);
    EXPECT_EQ(mouse.Find(kIn, 0x09, 4, 0x01), nullptr);
    EXPECT_EQ(mouse.Find(kIn, 0x0C, 0xE9, 0x01), &mouse.values()[4]);

    // A refused descriptor leaves nothing of an earlier one behind.
    const uint8_t pop[] = {0xB4};
    EXPECT_FALSE(printer.Parse(pop, sizeof pop, nullptr));
    EXPECT_TRUE(printer.values().empty());
    EXPECT_EQ(printer.ReportByteLength(kOut), 0u);
    EXPECT_EQ(printer.Find(kOut, 0xFF8B, 0xA0, 0x10), nullptr);
}

TEST(HidReportDescriptor, MalformedDescriptorsAreRefusedWithTheirReason)
{
    const struct {
        Bytes descriptor;
        const char *why;
    } cases[] = {
        {{0x05}, "truncated item at byte 0"},
        {{0x05, 0x01, 0x06, 0x8B}, "truncated item at byte 2"},
        {{0x05, 0x01, 0x07, 0x8B, 0xFF, 0x00}, "truncated item at byte 2"},
        {{0xFE}, "truncated long item at byte 0"},
        {{0x05, 0x01, 0xFE, 0x00}, "truncated long item at byte 2"},
        {{0xFE, 0x05, 0x00, 0x01, 0x02, 0x03, 0x04}, "truncated long item at byte 0"},
        {{0xB4}, "pop without push at byte 0"},
        {{0xA4, 0xB4, 0xB4}, "pop without push at byte 2"},
        {Bytes(17, 0xA4), "push deeper than 16 at byte 16"},
        {{0xC0}, "end collection without collection at byte 0"},
        {{0xA1, 0x01, 0xC0, 0xC0}, "end collection without collection at byte 3"},
        {{0x09, 0x01, 0xA1, 0x01, 0xA1, 0x02, 0xC0}, "collection left open at the end"},
        {{0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, "main item outside any collection at byte 4"},
        {{0xA1, 0x01, 0x75, 0x00, 0x95, 0x01, 0x91, 0x02, 0xC0}, "report size 0 for a value at byte 6"},
        {{0xA1, 0x01, 0x75, 0x21, 0x95, 0x01, 0xB1, 0x02, 0xC0}, "report size over 32 bits for a value at byte 6"},
        {{0xA1, 0x01, 0x75, 0x08, 0x97, 0x00, 0x00, 0x01, 0x00, 0x81, 0x02}, "report count over 65535 at byte 9"},
        {{0xA1, 0x01, 0x75, 0x01, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x01}, "report over 65535 bytes at byte 9"},
        {{0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x91, 0x03},
         "report over 65535 bytes at byte 12"},
        // 65534 data bytes fit with the id byte; one byte more does not.
        {{0xA1, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0x91, 0x02, 0x95, 0x01, 0x91, 0x02},
         "report over 65535 bytes at byte 11"},
        {{0x85, 0x00}, "report id 0 at byte 0"},
        {{0x84}, "report id 0 at byte 0"},
        {{0x86, 0x00, 0x01}, "report id over 255 at byte 0"},
        {{0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x01}, "report id after fields without one at byte 8"},
        {{0x75, 0x08, 0x95, 0x01, 0xA4, 0x85, 0x01, 0xA1, 0x01, 0x81, 0x02, 0xB4, 0x81, 0x02, 0xC0},
         "field without a report id at byte 12"},
        {{0x19, 0x01, 0xA1, 0x01}, "usage minimum without maximum at byte 2"},
        {{0x19, 0x01, 0x19, 0x02}, "usage minimum without maximum at byte 2"},
        {{0xA1, 0x01, 0x29, 0x05, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02}, "usage maximum without minimum at byte 8"},
        {{0x19, 0x05, 0x29, 0x01}, "usage minimum above maximum at byte 2"},
        {{0x1B, 0x01, 0x00, 0x09, 0x00, 0x2B, 0x05, 0x00, 0x0C, 0x00}, "usage range across pages at byte 5"},
        {{0x07, 0x00, 0x00, 0x01, 0x00}, "usage page over 16 bits at byte 0"},
        {{0x0C}, "reserved item type at byte 0"},
        {{0xF4}, "unknown global item at byte 0"},
        {{0xA9, 0x01, 0xA9, 0x01}, "nested delimiter set at byte 2"},
        {{0xA9, 0x00}, "delimiter close without open at byte 0"},
        {{0xA9, 0x02}, "delimiter neither open nor close at byte 0"},
        {{0xA1, 0x01, 0xA9, 0x01, 0x09, 0x01, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02},
         "delimiter set left open at byte 10"},
        {{0xA9, 0x01, 0x09, 0x01}, "delimiter set left open at the end"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        // The vector holds exactly the descriptor, so a read past it is a heap overflow.
        CHidReportDescriptor parsed;
        std::string why;
        EXPECT_FALSE(parsed.Parse(c.descriptor.data(), c.descriptor.size(), &why));
        EXPECT_EQ(why, c.why);
        EXPECT_TRUE(parsed.values().empty());
    }
}

}  // namespace
