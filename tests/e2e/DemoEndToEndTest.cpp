// A demo receipt printed with rollvane-cli on the real kova-sim, over the network and over a
// serial line: the printer gets exactly the translated bytes, and its receipt is the preview.
#include "rollvane/printouts/ParseCommandText.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using testing_support::ChildProcess;
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
    const struct {
        const char *name;
        std::string address;
        bool serial;
    } lines[] = {{"network", "127.0.1.60", false}, {"serial", "127.0.1.61", true}};
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        std::filesystem::create_directory(dir.file("out"));
        TempDir::Write(dir.file("Demo3.txt"), demo);
        std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"), "--address", line.address, "--out",
                                         dir.file("out")};
        std::vector<std::string> interface = {"--port", "LAN", "--ip", line.address};
        if (line.serial) {
            argv.insert(argv.end(), {"--tcp-port", "0", "--udp-port", "0", "--serial-link", dir.file("tty")});
            TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                                    "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                        dir.file("tty") + "\n");
            interface.clear();
        }
        ChildProcess printer;
        const std::string log = dir.file("sim.log");
        ASSERT_TRUE(printer.Start(argv, log));
        for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ASSERT_NE(TempDir::Read(log).find("kova-sim ready"), std::string::npos) << TempDir::Read(log);

        std::vector<std::string> arguments = interface;
        arguments.insert(arguments.end(), {"demo-print", "3"});
        const ProcessResult result =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string bin = dir.file("out/receipt-0001.bin");
        for (int i = 0; i < 200 && !std::filesystem::exists(bin); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        const std::string received = TempDir::Read(bin);
        EXPECT_EQ(std::vector<uint8_t>(received.begin(), received.end()), expected);
        // The preview, drawn without a printer, is the very picture the printer made.
        const ProcessResult preview = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                                                         {"demo-print", "3", "--preview", "preview.png"}, dir.path());
        EXPECT_EQ(preview.exitCode, 0) << preview.err;
        EXPECT_EQ(preview.out, "preview.png\n");
        const std::string png = TempDir::Read(dir.file("out/receipt-0001.png"));
        EXPECT_FALSE(png.empty());
        EXPECT_TRUE(TempDir::Read(dir.file("preview.png")) == png);
    }
}
