#include "platform/DevicePaths.h"

#include <gtest/gtest.h>

using platform::DevicePaths;

TEST(DevicePaths, DefaultNames)
{
    EXPECT_EQ(DevicePaths::DefaultPath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePaths::DefaultPath("COM20"), "/dev/ttyS19");
    EXPECT_EQ(DevicePaths::DefaultPath("LPT1"), "/dev/parport0");
    EXPECT_EQ(DevicePaths::DefaultPath("LPT2"), "/dev/parport1");
    EXPECT_EQ(DevicePaths::DefaultPath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePaths::DefaultPath("ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(DevicePaths::DefaultPath("COMX"), "/dev/COMX");
}

TEST(DevicePaths, EntriesComeFirstAndIgnoreCase)
{
    DevicePaths paths;
    paths.SetEntry("com3", "/dev/ttyUSB0");
    paths.SetEntry("ORNUSB", "0x1a2b:0x0001");
    EXPECT_EQ(paths.path("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(paths.path("COM4"), "/dev/ttyS3");
    EXPECT_EQ(paths.entry("ornusb").value_or(""), "0x1a2b:0x0001");
    EXPECT_FALSE(paths.entry("LPT1").has_value());
}
