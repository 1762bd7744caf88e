#include "rollvane/link/NumberText.h"

#include <gtest/gtest.h>

using rollvane::NumberText;

TEST(NumberText, DecimalValueTakesTheLeadingDigits)
{
    EXPECT_EQ(NumberText::DecimalValue("115200"), 115200);
    EXPECT_EQ(NumberText::DecimalValue("  4800 baud"), 4800);
    EXPECT_EQ(NumberText::DecimalValue("-3"), -3);
    EXPECT_EQ(NumberText::DecimalValue("NULL"), 0);
    EXPECT_EQ(NumberText::DecimalValue(""), 0);
    EXPECT_EQ(NumberText::DecimalValue("7x"), 7);
}

TEST(NumberText, Ipv4AcceptsDottedAndSingleNumberForms)
{
    EXPECT_EQ(NumberText::Ipv4Value("192.168.1.10"), 0xC0A8010Au);
    EXPECT_EQ(NumberText::Ipv4Value("3232235786"), 0xC0A8010Au);
    EXPECT_EQ(NumberText::Ipv4Value("127.0.0.2"), 0x7F000002u);
}

TEST(NumberText, Ipv4GivesAllOnesForAnythingElse)
{
    EXPECT_EQ(NumberText::Ipv4Value("NULL"), 0xFFFFFFFFu);
    EXPECT_EQ(NumberText::Ipv4Value(""), 0xFFFFFFFFu);
    EXPECT_EQ(NumberText::Ipv4Value("300.1.1.1"), 0xFFFFFFFFu);
    EXPECT_EQ(NumberText::Ipv4Value("printer.local"), 0xFFFFFFFFu);
}

TEST(NumberText, TextForms)
{
    EXPECT_EQ(NumberText::UnsignedText(0xC0A8010Au), "3232235786");
    EXPECT_EQ(NumberText::UnsignedText(0xFFFFFFFFu), "4294967295");
    EXPECT_EQ(NumberText::DottedText(0x0A000001u), "10.0.0.1");
}
