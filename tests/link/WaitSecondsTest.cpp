// WaitSeconds: until the whole-second time passes now's second plus n, without spinning.
#include "platform/RealClock.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using rollvane::PrinterLink;

namespace {

rollvane::LinkFacilities NoFacilities()
{
    return rollvane::LinkFacilities{};
}

}  // namespace

TEST(PrinterLinkWaitSeconds, LastsUntilTheSecondAfterTheDeadlineBegins)
{
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link(ui, clock, NoFacilities());
    clock.Advance(300ms);  // 0.3 s into a second
    const auto start = clock.now();
    link.WaitSeconds(2);
    EXPECT_EQ(clock.now() - start, 2700ms);
    EXPECT_EQ(clock.sleeps().size(), 1u);

    // At a whole second, 0 lasts a full second; 3 lasts four.
    const auto whole = clock.now();
    link.WaitSeconds(0);
    EXPECT_EQ(clock.now() - whole, 1000ms);
    link.WaitSeconds(3);
    EXPECT_EQ(clock.now() - whole, 5000ms);
}

TEST(PrinterLinkWaitSeconds, ZeroEndsAtTheNextWholeSecond)
{
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link(ui, clock, NoFacilities());
    clock.Advance(999ms);
    const auto start = clock.now();
    link.WaitSeconds(0);
    EXPECT_EQ(clock.now() - start, 1ms);
}

TEST(PrinterLinkWaitSeconds, RealClockWaitOfTwoSeconds)
{
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    PrinterLink link(ui, clock, NoFacilities());
    const auto start = std::chrono::steady_clock::now();
    link.WaitSeconds(2);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 2000ms);
    EXPECT_LT(took, 3500ms);
}
