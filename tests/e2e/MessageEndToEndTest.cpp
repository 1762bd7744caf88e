// Messages defined with rollvane-cli in the real kova-sim, over the network and over a serial
// line: the printer keeps each line in its slot with the attribute byte.
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/PngReader.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using testing_support::PngReader;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

// Whether the inked rows of line appear, dot for dot across the whole width, somewhere in page.
bool HoldsLine(const PngReader &page, const PngReader &line)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < line.height; ++y) {
        for (int x = 0; x < line.width; ++x) {
            if (line.at(x, y)) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    if (first < 0 || page.width != line.width)
        return false;
    const int rows = last - first + 1;
    const auto row = [](const PngReader &png, int y) { return png.black.begin() + static_cast<long>(y) * png.width; };
    for (int top = 0; top + rows <= page.height; ++top) {
        bool same = true;
        for (int y = 0; y < rows && same; ++y)
            same = std::equal(row(line, first + y), row(line, first + y) + line.width, row(page, top + y));
        if (same)
            return true;
    }
    return false;
}

}  // namespace

TEST(MessageEndToEnd, DefinedMessagesAreKeptInTheirSlots)
{
    using Line = e2e::KovaSimPrinter::Line;
    const struct {
        const char *name;
        Line line;
        const char *address;
    } lines[] = {{"network", Line::Network, "127.0.1.70"}, {"serial", Line::Serial, "127.0.1.71"}};
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        e2e::KovaSimPrinter printer;
        ASSERT_TRUE(printer.Start(line.line, line.address, dir.path(), {"--state", dir.file("state.txt")}))
            << printer.log();

        std::vector<std::string> arguments = printer.interface();
        arguments.insert(arguments.end(), {"define-message", "bottom", "--line1", "Thank you", "--line2", "Bye",
                                           "--underline", "1 dot Underline", "--double-width", "ON"});
        const ProcessResult bottom =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
        EXPECT_EQ(bottom.exitCode, 0) << bottom.err;
        EXPECT_EQ(bottom.err, "Complete: Define message complete.\n");

        // "Thank you" and "Bye" with underline 1 and double width: attribute 09.
        const std::string expected = "message.0 = 09 5468616e6b20796f75\nmessage.1 = 09 427965\n";
        for (int i = 0; i < 100 && TempDir::Read(dir.file("state.txt")).find(expected) == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        const std::string state = TempDir::Read(dir.file("state.txt"));
        EXPECT_NE(state.find(expected), std::string::npos) << state;
        // The other slots are untouched.
        EXPECT_NE(state.find("message.2 = 00\nmessage.3 = 00\nmessage.4 = 00\nmessage.5 = 00\n"), std::string::npos);

        // The configuration printout lists the slot with its attribute byte: the line, drawn by the
        // preview from plain text, is found dot for dot on the printed receipt.
        arguments = printer.interface();
        arguments.push_back("print-config");
        const ProcessResult printout =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
        EXPECT_EQ(printout.exitCode, 0) << printout.err;
        TempDir::Write(dir.file("line.txt"), "\"Bottom 1 [09] : Thank you\" 0A\n");
        const ProcessResult drawn = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                                                       {"demo-check", "line.txt", "--preview", "line.png"}, dir.path());
        ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
        const std::optional<PngReader> page = PngReader::Load(printer.WaitForReceipt("receipt-0001.png"));
        const std::optional<PngReader> line = PngReader::Load(dir.file("line.png"));
        ASSERT_TRUE(page && line) << printer.log();
        EXPECT_TRUE(HoldsLine(*page, *line));
    }
}

// A serial printer that hangs up inside the second line's block: the second line is reported,
// and the download still ends with its completion message, as the page always does.
TEST(MessageEndToEnd, ALineTheLinkDropsIsReported)
{
    TempDir dir;
    const std::string address = "127.0.1.72";
    // The status request (2 bytes) and the first line's block (1F 65 00 attribute, "Thank you", 00:
    // 14 bytes) arrive whole; the printer hangs up 3 bytes into the second.
    e2e::KovaSimPrinter printer;
    ASSERT_TRUE(printer.Start(e2e::KovaSimPrinter::Line::Serial, address, dir.path(), {"--drop-after", "19"}))
        << printer.log();
    const ProcessResult result =
        ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                           {"define-message", "top", "--line1", "Thank you", "--line2", "Come again"}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Error: Line 2 Error.\n  cause: COM3 (", 0), 0u) << result.err;
    const std::string complete = "Complete: Define message complete.\n";
    ASSERT_GE(result.err.size(), complete.size());
    EXPECT_EQ(result.err.substr(result.err.size() - complete.size()), complete) << result.err;
}
