#include "platform/TraceLog.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <regex>

TEST(TraceLog, BlocksShowTheirLengthAndFirstBytes)
{
    const uint8_t bytes[20] = {0x1B, 0x40, 0x10, 0xFF};
    const struct {
        std::size_t length;
        std::size_t shown;
        const char *text;
    } cases[] = {
        {0, 16, "0 bytes"},
        {1, 16, "1 byte: 1B"},
        {4, 16, "4 bytes: 1B 40 10 FF"},
        {20, 3, "20 bytes: 1B 40 10 ..."},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(platform::TraceLog::Block(bytes, c.length, c.shown), c.text);
    }
}

TEST(TraceLog, OffUntilEnabledThenOneStampedLinePerEvent)
{
    testing_support::TempDir dir;
    const std::string path = dir.file("trace.txt");

    platform::TraceLog off("rollvane");
    ::unsetenv("ROLLVANE_TEST_TRACE");
    off.EnableFromEnvironment("ROLLVANE_TEST_TRACE");
    EXPECT_FALSE(off.on());
    off.Write("not written");

    platform::TraceLog log("rollvane");
    ::setenv("ROLLVANE_TEST_TRACE", path.c_str(), 1);
    log.EnableFromEnvironment("ROLLVANE_TEST_TRACE");
    ::unsetenv("ROLLVANE_TEST_TRACE");
    ASSERT_TRUE(log.on());
    log.Write("open COM3");
    log.Write("COM3 send 2 bytes: 1B 68");

    const std::string text = testing_support::TempDir::Read(path);
    EXPECT_TRUE(std::regex_match(text, std::regex("rollvane \\d\\d:\\d\\d:\\d\\d\\.\\d{3} open COM3\n"
                                                  "rollvane \\d\\d:\\d\\d:\\d\\d\\.\\d{3} COM3 send 2 bytes: 1B 68\n")))
        << text;
    int error = 0;
    EXPECT_FALSE(log.Enable(dir.file("missing/folder/trace.txt"), &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(log.on());
}
