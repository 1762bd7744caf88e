// A demo receipt printed with rollvane-cli on the real kova-sim, over the network and over a
// serial line: the printer gets exactly the translated bytes, and its receipt is the preview.
#include "rollvane/printouts/ParseCommandText.h"
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

TEST(DemoEndToEnd, TheReceiptHoldsTheTranslatedBytes)
{
    const std::string demo = "ESC \"@\" ; start afresh\r\n"
                             "\"Thank you for shopping\" 0x0A\r\n"
                             "ESC \"E\" 1 \"Total   12.50\" ESC \"E\" 0 0x0A 0x0A\r\n"
                             "ESC \"d\" 3 ESC \"i\" ; feed and cut\r\n";
    std::vector<uint8_t> expected;
    ASSERT_TRUE(rollvane::ParseCommandText(demo, expected).ok);
    using Line = e2e::KovaSimPrinter::Line;
    const struct {
        const char *name;
        std::string address;
        Line line;
    } lines[] = {{"network", "127.0.1.60", Line::Network}, {"serial", "127.0.1.61", Line::Serial}};
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        TempDir::Write(dir.file("Demo3.txt"), demo);
        e2e::KovaSimPrinter printer;
        ASSERT_TRUE(printer.Start(line.line, line.address, dir.path())) << printer.log();

        std::vector<std::string> arguments = printer.interface();
        arguments.insert(arguments.end(), {"demo-print", "3"});
        const ProcessResult result =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string received = TempDir::Read(printer.WaitForReceipt("receipt-0001.bin"));
        EXPECT_EQ(std::vector<uint8_t>(received.begin(), received.end()), expected);
        // The preview, drawn without a printer, is the very picture the printer made.
        const ProcessResult preview = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                                                         {"demo-print", "3", "--preview", "preview.png"}, dir.path());
        EXPECT_EQ(preview.exitCode, 0) << preview.err;
        EXPECT_EQ(preview.out, "preview.png\n");
        const std::string png = TempDir::Read(printer.WaitForReceipt("receipt-0001.png"));
        EXPECT_FALSE(png.empty());
        EXPECT_TRUE(TempDir::Read(dir.file("preview.png")) == png);
    }
}
