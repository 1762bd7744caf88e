#include "rollvane/cli/AddressRange.h"
#include "rollvane/link/NumberText.h"

#include <gtest/gtest.h>

namespace rollvane {
namespace {

struct RangeCase {
    bool subnet;
    const char *text;
    const char *first;  // nullptr: refused with error
    const char *last;
    std::size_t count;
    const char *error;
};

TEST(AddressRange, RangesAndSubnets)
{
    const RangeCase cases[] = {
        {false, "10.0.0.1-10.0.0.254", "10.0.0.1", "10.0.0.254", 254, ""},
        {false, "10.0.0.7-10.0.0.7", "10.0.0.7", "10.0.0.7", 1, ""},
        // Across an octet, and leading zeros read as decimal.
        {false, "10.0.0.250-10.0.001.004", "10.0.0.250", "10.0.1.4", 11, ""},
        {false, "10.0.0.9-10.0.0.1", nullptr, nullptr, 0, "10.0.0.9-10.0.0.1: the first address is after the last"},
        {false, "10.0.0.1", nullptr, nullptr, 0, "10.0.0.1: not a range of the form A.B.C.D-E.F.G.H"},
        {false, "10.0.0.1-10.0.0.256", nullptr, nullptr, 0,
         "10.0.0.1-10.0.0.256: not a range of the form A.B.C.D-E.F.G.H"},
        {false, "printer-7", nullptr, nullptr, 0, "printer-7: not a range of the form A.B.C.D-E.F.G.H"},
        {false, "10.0.0.0-10.1.0.0", nullptr, nullptr, 0,
         "10.0.0.0-10.1.0.0: 65537 addresses, more than the 65536 one search may ask"},
        // Hosts of the subnet, whatever host bits the base has.
        {true, "192.168.7.0/24", "192.168.7.1", "192.168.7.254", 254, ""},
        {true, "192.168.7.77/24", "192.168.7.1", "192.168.7.254", 254, ""},
        {true, "192.168.7.5/30", "192.168.7.5", "192.168.7.6", 2, ""},
        {true, "192.168.7.5/31", "192.168.7.4", "192.168.7.5", 2, ""},
        {true, "192.168.7.5/32", "192.168.7.5", "192.168.7.5", 1, ""},
        {true, "10.0.0.0/16", "10.0.0.1", "10.0.255.254", 65534, ""},
        {true, "10.0.0.0/15", nullptr, nullptr, 0,
         "10.0.0.0/15: 131070 addresses, more than the 65536 one search may ask"},
        {true, "10.0.0.0/33", nullptr, nullptr, 0, "10.0.0.0/33: not a subnet of the form A.B.C.D/N (N from 0 to 32)"},
        {true, "10.0.0.0/", nullptr, nullptr, 0, "10.0.0.0/: not a subnet of the form A.B.C.D/N (N from 0 to 32)"},
        {true, "10.0.0.0/+8", nullptr, nullptr, 0, "10.0.0.0/+8: not a subnet of the form A.B.C.D/N (N from 0 to 32)"},
        {true, "10.0.0.0", nullptr, nullptr, 0, "10.0.0.0: not a subnet of the form A.B.C.D/N (N from 0 to 32)"},
    };
    for (const RangeCase &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<uint32_t> addresses{1, 2, 3};
        std::string error;
        const bool ok = c.subnet ? AddressRange::FromSubnet(c.text, &addresses, &error)
                                 : AddressRange::FromRange(c.text, &addresses, &error);
        EXPECT_EQ(error, c.error);
        if (!c.first) {
            EXPECT_FALSE(ok);
            continue;
        }
        ASSERT_TRUE(ok);
        ASSERT_EQ(addresses.size(), c.count);
        EXPECT_EQ(NumberText::DottedText(addresses.front()), c.first);
        EXPECT_EQ(NumberText::DottedText(addresses.back()), c.last);
        for (std::size_t i = 1; i < addresses.size(); ++i) {
            ASSERT_EQ(addresses[i], addresses[i - 1] + 1);
        }
    }
}

}  // namespace
}  // namespace rollvane
