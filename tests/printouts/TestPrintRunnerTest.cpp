// The test-print runner against a printer played on a pseudo-terminal, on virtual time: the
// exact page bytes, the paper-width change with its restart wait, and every way it stops.
#include "rollvane/printouts/TestPrintRunner.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/TestPatterns.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

const Bytes kStatus = {0x1B, 0x68};
const Bytes kStart = {0x1B, 0x40, 0x10, 0x1F, 0x7A, 0x74, 0x01, 0x1F, 0x31, 0x04, 0x1F, 0x7A, 0x74, 0x00};
const Bytes kPaper = {0x1B, 0x76};
const Bytes kDualSetup = {0x1F, 0x60, 0x02, 0x1F, 0x63, 0x00, 0x1F, 0x64,
                          0x00, 0x1F, 0x66, 0x00, 0x1F, 0x69, 0x00, 0x00};
const Bytes kFrontSide = {0x1F, 0x61, 0x00};
const Bytes kBackSide = {0x1F, 0x61, 0x01};
const Bytes kFeedAndCut = {0x1B, 0x64, 0x06, 0x1B, 0x69};

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Repeat(const Bytes &line, int times)
{
    Bytes all;
    for (int i = 0; i < times; ++i) {
        all = all + line;
    }
    return all;
}

std::size_t Count(const Bytes &haystack, const Bytes &needle)
{
    std::size_t n = 0;
    for (auto it = haystack.begin();
         (it = std::search(it, haystack.end(), needle.begin(), needle.end())) != haystack.end(); ++it) {
        ++n;
    }
    return n;
}

bool Contains(const Bytes &haystack, const Bytes &needle)
{
    return Count(haystack, needle) > 0;
}

class TestPrintRunnerTest : public ::testing::Test {
protected:
    TestPrintRunnerTest() : link(ui, clock), runner(link)
    {
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        runner.dualSide = 1;
    }
    PrinterErrorCode Run(int code)
    {
        EXPECT_TRUE(link.Open("COM3"));
        link.Configure(link_test::Com3Settings());
        return runner.RunTestPrint(code);
    }
    // The header the printer got, made from the virtual time, which no step after it moves.
    Bytes Header(int page) const
    {
        const std::time_t now = std::chrono::system_clock::to_time_t(clock.now());
        std::tm local{};
        localtime_r(&now, &local);
        return TestPatterns::HeaderLine(page, runner.charsPerLine, local);
    }
    bool Saw(const std::string &event) const
    {
        return std::find(ui.events.begin(), ui.events.end(), event) != ui.events.end();
    }

    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link;
    TestPrintRunner runner;
};

TEST_F(TestPrintRunnerTest, AllHBothSidesAt80mm)
{
    runner.printFront = 1;
    runner.printBack = 1;
    ASSERT_EQ(Run(TestAllH), ErrNone);
    const Bytes line = Bytes(48, 'H') + Bytes{0x0A};
    const Bytes expected = kStatus + kStart + kPaper + kDualSetup + Header(1) + kFrontSide + Repeat(line, 24) +
                           kBackSide + Repeat(line, 18) + kFrontSide + kFeedAndCut + kStatus;
    EXPECT_EQ(printer.Received(), expected);
    EXPECT_EQ(runner.pageNumber, 2);
    EXPECT_EQ(runner.pagesLeft, 0);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(ui.openProgressWindows, 0);
    for (const char *event :
         {"progress message Reinitializing printer...", "progress message Checking printer status...",
          "progress message Printing Page 1: 4.17%", "progress message Printing Page 1: 75%",
          "progress message Printing Page 1: 100%", "progress range 24", "progress close"}) {
        EXPECT_TRUE(Saw(event)) << event;
    }
    // Nothing was written: the printer already was at 80 mm.
    EXPECT_FALSE(Saw("progress message Initializing printer..."));
}

TEST_F(TestPrintRunnerTest, BackSideOnlyAndDutyPages)
{
    const struct {
        const char *name;
        int code;
        int front, back;
        Bytes expected;  // after the start and the paper-sensor request
    } cases[] = {
        {"All H, back only", TestAllH, 0, 1, {}},
        {"duty 100%, back only", TestDuty100, 0, 1, {}},
        {"duty 50%, both", TestDuty50, 1, 1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        settings_testing::ScriptedSettingsPrinter local;
        link.devices().SetEntry("COM3", local.slavePath());
        runner.printFront = c.front;
        runner.printBack = c.back;
        ASSERT_EQ(Run(c.code), ErrNone);
        Bytes expected = kStatus + kStart + kPaper + kDualSetup;
        if (c.code == TestAllH) {
            expected = expected + Header(1) + kBackSide + Repeat(Bytes(48, 'H') + Bytes{0x0A}, 18);
        } else {
            const Bytes line = TestPatterns::DutyLine(c.code, 576) + Bytes{0x0A};
            expected = expected + Bytes{0x0A};
            if (c.front) {
                expected = expected + kFrontSide + Repeat(line, 27);
            }
            expected = expected + kBackSide + Bytes{0x0A} + Repeat(line, 27);
        }
        if (c.front) {
            expected = expected + kFrontSide + Bytes{0x0A} + kFeedAndCut;
        } else {
            expected = expected + kBackSide + Bytes{0x1B, 0x4A, 0xBC} + kFeedAndCut;
        }
        EXPECT_EQ(local.Received(), expected + kStatus);
    }
}

TEST_F(TestPrintRunnerTest, RollingAsciiWrapsAcrossTheSides)
{
    // 96 front lines: the last starts at 7F, the first back line at 20 again.
    runner.linesPerPage = 99;
    runner.charsPerLine = 36;
    runner.printFront = 1;
    runner.printBack = 1;
    runner.paperType = 1;
    printer.SetConfigByte(5, 0x08);
    ASSERT_EQ(Run(TestRollingAscii), ErrNone);
    Bytes front, back;
    for (int line = 0; line < 96 + 90; ++line) {
        Bytes &block = line < 96 ? front : back;
        for (int i = 0; i < 36; ++i) {
            block.push_back(static_cast<uint8_t>(0x20 + (line + i) % 96));
        }
        block.push_back(0x0A);
    }
    EXPECT_EQ(printer.Received(), kStatus + kStart + kPaper + kDualSetup + Bytes{0x0A} + kFrontSide + front +
                                      kBackSide + back + kFrontSide + kFeedAndCut + kStatus);
    EXPECT_TRUE(Saw("progress message Printing Page 1: 100%"));
    EXPECT_TRUE(Saw("progress range 96"));
}

TEST_F(TestPrintRunnerTest, PaperWidthChangeAndRestartWait)
{
    const struct {
        const char *name;
        int paperType;
        uint8_t configByte5;
        Bytes written;  // empty: nothing written
    } cases[] = {
        {"58 mm chosen, printer at 80 mm", 1, 0x00, {0x1F, 0x36, 0x32, 0x01, 0xFF, 0x1D, 0xFF}},
        {"80 mm chosen, printer at 58 mm", 0, 0x08, {0x1F, 0x36, 0x32, 0x00, 0xFF, 0x1D, 0xFF}},
        {"both at 58 mm", 1, 0xF8, {}},
        {"both at 80 mm", 0, 0xF7, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        settings_testing::ScriptedSettingsPrinter local;
        link.devices().SetEntry("COM3", local.slavePath());
        local.SetConfigByte(5, c.configByte5);
        // The restarting printer is silent for two passes.
        local.SetStatusAnswers({0x00, std::nullopt, std::nullopt, 0x00});
        platform::VirtualClock fresh;
        clock = fresh;
        ui.events.clear();
        runner.paperType = c.paperType;
        runner.printFront = 1;
        runner.printBack = 0;
        ASSERT_EQ(Run(TestDuty12), ErrNone);
        const Bytes received = local.Received();
        const Bytes before = kStatus + kStart + c.written;
        ASSERT_GE(received.size(), before.size());
        EXPECT_EQ(Bytes(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(before.size())), before);
        using Sleeps = std::vector<milliseconds>;
        if (c.written.empty()) {
            // Only the pause inside the width read; two unanswered final queries, then the answer.
            EXPECT_EQ(clock.sleeps(), Sleeps{milliseconds(1000)});
            EXPECT_EQ(Count(received, kStatus), 4u);
            EXPECT_FALSE(Saw("progress message Initializing printer..."));
        } else {
            // A serial line stays open through the restart: after the one-second wait, passes
            // of one second and a status query each, the third answered; then the final query.
            EXPECT_EQ(clock.sleeps(), (Sleeps{milliseconds(1000), milliseconds(2000), milliseconds(1000),
                                              milliseconds(1000), milliseconds(1000)}));
            EXPECT_EQ(Count(received, kStatus), 5u);
            EXPECT_TRUE(Saw("progress message Initializing printer..."));
            EXPECT_TRUE(Saw("progress position 3"));
            EXPECT_TRUE(Contains(received, kPaper));
        }
    }
}

TEST_F(TestPrintRunnerTest, StopsAndTheirCodes)
{
    const std::optional<uint8_t> none;
    const struct {
        const char *name;
        std::vector<std::optional<uint8_t>> status;
        int paperType;  // 1 makes the printer at 80 mm restart
        uint8_t paper;
        int coverCheck;
        PrinterErrorCode result;
        std::size_t statusQueries;
        bool printed;
    } cases[] = {
        {"busy before", {0x08}, 0, 0x00, 1, ErrBusy, 1, false},
        {"no status byte before", {0xFF}, 0, 0x00, 1, ErrBusy, 1, false},
        {"no answer twice", {none}, 0, 0x00, 1, ErrTimeout, 2, false},
        {"answer at the second try", {none, 0x80}, 0, 0x00, 1, ErrNone, 3, true},
        {"busy after the restart", {0x00, 0x08}, 1, 0x00, 1, ErrBusy, 2, false},
        {"busy after the test", {0x00, 0x08}, 0, 0x00, 1, ErrBusy, 2, true},
        {"paper out before knife jam", {0x00}, 0, 0x0C, 1, ErrPaperOut, 1, false},
        {"knife jam", {0x00}, 0, 0x0A, 1, ErrKnifeJam, 1, false},
        {"cover open", {0x00}, 0, 0x02, 1, ErrCoverOpen, 1, false},
        {"cover not checked", {0x00}, 0, 0x02, 0, ErrNone, 2, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        settings_testing::ScriptedSettingsPrinter local;
        link.devices().SetEntry("COM3", local.slavePath());
        local.SetStatusAnswers(c.status);
        local.SetPaperSensor(c.paper);
        ui.events.clear();
        runner.paperType = c.paperType;
        runner.coverCheck = c.coverCheck;
        runner.printFront = 1;
        runner.printBack = 1;
        EXPECT_EQ(Run(TestAllH), c.result);
        const Bytes received = local.Received();
        EXPECT_EQ(Count(received, kStatus), c.statusQueries);
        EXPECT_EQ(Contains(received, {0x1B, 0x69}), c.printed);
        if (c.result != ErrNone) {
            // Left for the error report: the progress window and the serial line.
            EXPECT_TRUE(link.progress != nullptr);
            EXPECT_TRUE(link.isOpen());
            link.EndOperation();
        }
    }
}

}  // namespace
}  // namespace rollvane
