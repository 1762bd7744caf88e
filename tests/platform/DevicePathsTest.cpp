#include "platform/DevicePaths.h"

#include <gtest/gtest.h>

using platform::DevicePaths;

TEST(DevicePaths, DefaultNames)
{
    EXPECT_EQ(DevicePaths::defaultPath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePaths::defaultPath("COM20"), "/dev/ttyS19");
    EXPECT_EQ(DevicePaths::defaultPath("LPT1"), "/dev/parport0");
    EXPECT_EQ(DevicePaths::defaultPath("LPT2"), "/dev/parport1");
    EXPECT_EQ(DevicePaths::defaultPath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePaths::defaultPath("ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(DevicePaths::defaultPath("COMX"), "/dev/COMX");
}

TEST(DevicePaths, EntriesComeFirstAndIgnoreCase)
{
    DevicePaths paths;
    paths.setEntry("com3", "/dev/ttyUSB0");
    paths.setEntry("ORNUSB", "0x1a2b:0x0001");
    EXPECT_EQ(paths.path("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(paths.path("COM4"), "/dev/ttyS3");
    EXPECT_EQ(paths.entry("ornusb").value_or(""), "0x1a2b:0x0001");
    EXPECT_FALSE(paths.entry("LPT1").has_value());
}
