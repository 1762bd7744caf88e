#include "platform/RealClock.h"
#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(VirtualClock, SleepingMovesTimeAndIsRecorded)
{
    platform::VirtualClock clock;
    const auto start = clock.now();
    clock.SleepFor(400ms);
    clock.SleepUntil(start + 1000ms);
    EXPECT_EQ(clock.now() - start, 1000ms);
    ASSERT_EQ(clock.sleeps().size(), 2u);
    EXPECT_EQ(clock.sleeps()[1], 600ms);
    clock.SleepUntil(start);  // already past: no sleep
    EXPECT_EQ(clock.sleeps().size(), 2u);
}

TEST(RealClock, SleepsAtLeastTheTimeAsked)
{
    platform::RealClock clock;
    const auto start = std::chrono::steady_clock::now();
    clock.SleepFor(50ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}
