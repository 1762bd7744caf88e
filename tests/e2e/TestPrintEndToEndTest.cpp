// The online test prints with rollvane-cli against the real kova-sim, over the network and over a
// serial line: each test prints, and a paper width that differs restarts the printer at 58 mm.
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/PngReader.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

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

ProcessResult Cli(const std::vector<std::string> &arguments, const std::string &folder)
{
    return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, folder);
}

}  // namespace

TEST(TestPrintEndToEnd, CommandLinesRefused)
{
    TempDir dir;
    TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                            "F.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                dir.file("tty") + "\n");
    const std::string tests = "rollvane-cli: test-print needs one TEST: all-h, rolling-ascii, duty-12.5, duty-25, "
                              "duty-50, duty-75, duty-100 or config-printout\n";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"test-print"}, tests},
        {{"test-print", "duty-33"}, tests},
        {{"test-print", "all-h", "rolling-ascii"}, tests},
        {{"test-print", "all-h", "--paper", "60"}, "rollvane-cli: test-print: --paper is 80 or 58, not \"60\"\n"},
        {{"test-print", "all-h", "--side=top"},
         "rollvane-cli: test-print: --side is front, back or both, not \"top\"\n"},
        {{"test-print", "all-h", "--side"}, "rollvane-cli: test-print: --side needs a value\n"},
        {{"test-print", "all-h", "--colour", "red"}, "rollvane-cli: test-print: unknown option --colour\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.err);
        const ProcessResult result = Cli(c.arguments, dir.path());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, c.err + "see rollvane-cli test-print --help\n");
    }
}

TEST(TestPrintEndToEnd, EveryTestPrintsAndAWidthChangeRestartsThePrinter)
{
    // What a test-print gives: the receipt's width and at least this share of black dots.
    struct Print {
        std::vector<std::string> test;
        int width;
        double blackShare;
    };
    using Line = e2e::KovaSimPrinter::Line;
    const struct {
        const char *name;
        Line line;
        const char *address;
        std::vector<Print> prints;
        std::size_t restarts;
    } lines[] = {
        {"network",
         Line::Network,
         "127.0.1.80",
         {{{"all-h", "--side", "both"}, 576, 0.05},
          {{"duty-100", "--paper", "58"}, 432, 0.6},  // the printer restarts at 58 mm first
          {{"config-printout"}, 432, 0.01}},
         1},
        {"serial",
         Line::Serial,
         "127.0.1.81",
         {{{"rolling-ascii"}, 576, 0.03},
          {{"duty-12.5", "--paper", "58"}, 432, 0.07},
          {{"all-h", "--paper", "80", "--side", "back"}, 576, 0.02}},  // and back to 80 mm
         2},
    };
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        e2e::KovaSimPrinter printer;
        ASSERT_TRUE(printer.Start(line.line, line.address, dir.path(),
                                  {"--restart-seconds", "1", "--state", dir.file("state.txt")}))
            << printer.log();

        int receipt = 0;
        for (const Print &print : line.prints) {
            SCOPED_TRACE(print.test[0]);
            std::vector<std::string> arguments = printer.interface();
            arguments.push_back("test-print");
            arguments.insert(arguments.end(), print.test.begin(), print.test.end());
            const ProcessResult result = Cli(arguments, dir.path());
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.err, "");
            char name[32];
            std::snprintf(name, sizeof name, "receipt-%04d.png", ++receipt);
            const std::optional<PngReader> png = PngReader::Load(printer.WaitForReceipt(name));
            ASSERT_TRUE(png) << printer.log();
            EXPECT_EQ(png->width, print.width);
            EXPECT_GE(static_cast<double>(png->blackCount()) / (png->width * png->height), print.blackShare);
        }
        // A restart for each width change, and nothing the printer could not read.
        const std::string said = printer.log();
        std::size_t restarts = 0;
        for (std::size_t at = said.find("restarting"); at != std::string::npos; at = said.find("restarting", at + 1)) {
            ++restarts;
        }
        EXPECT_EQ(restarts, line.restarts) << said;
        EXPECT_EQ(said.find("unknown"), std::string::npos) << said;
    }
}
