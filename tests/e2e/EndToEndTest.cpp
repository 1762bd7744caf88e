#include "tests/support/ChildProcess.h"
#include "tests/support/PngReader.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using testing_support::ChildProcess;
using testing_support::PngReader;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

enum class Line {
    Network,
    Serial
};

// One virtual printer per case, on a loopback address of its own, and rollvane-cli pointed at
// it through its interface options (network) or a [DEVICES] entry (serial).
class EndToEnd : public ::testing::TestWithParam<Line> {
protected:
    void StartPrinter(std::vector<std::string> extra = {})
    {
        std::filesystem::create_directory(dir.file("out"));
        const std::string address = AddressOfThisCase();
        const std::string log = dir.file("sim" + std::to_string(++starts) + ".log");
        std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"),
                                         "--address",
                                         address,
                                         "--out",
                                         dir.file("out"),
                                         "--restart-seconds",
                                         "1"};
        if (GetParam() == Line::Network) {
            options = {"--port", "LAN", "--ip", address};
        } else {
            argv.insert(argv.end(), {"--tcp-port", "0", "--udp-port", "0", "--serial-link", dir.file("tty")});
            TempDir::write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                                    "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                        dir.file("tty") + "\n");
        }
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_TRUE(printer.start(argv, log));
        for (int i = 0; i < 200 && TempDir::read(log).find("kova-sim ready") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ASSERT_NE(TempDir::read(log).find("kova-sim ready"), std::string::npos);
    }

    ProcessResult Cli(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), options.begin(), options.end());
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    }

    // What the printer wrote for its first receipt, once it is there.
    std::string FirstReceiptBytes()
    {
        for (int i = 0; i < 100; ++i) {
            if (std::filesystem::exists(dir.file("out/receipt-0001.png"))) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return TempDir::read(dir.file("out/receipt-0001.bin"));
    }

    // The cases run side by side as separate processes: each gets a loopback address of its
    // own, so the fixed printer ports never clash.
    static std::string AddressOfThisCase()
    {
        static const char *const kCases[] = {"StatusOfAReadyAndOfABusyPrinter", "SilentPrinterTimesOut",
                                             "ConfigurationPrintoutBytesAndPicture", "PaperOutStopsThePrintout"};
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        int index = 0;
        for (int i = 0; i < 4; ++i) {
            if (name.rfind(kCases[i], 0) == 0) {
                index = i;
            }
        }
        return "127.0.1." + std::to_string(10 + 2 * index + (GetParam() == Line::Serial ? 1 : 0));
    }

    TempDir dir;
    ChildProcess printer;
    std::vector<std::string> options;
    int starts = 0;
};

}  // namespace

TEST_P(EndToEnd, StatusOfAReadyAndOfABusyPrinter)
{
    StartPrinter();
    ProcessResult ready = Cli({"status"});
    EXPECT_EQ(ready.exitCode, 0) << ready.err;
    EXPECT_EQ(ready.out, "0x00\n");
    printer.stop();

    StartPrinter({"--status", "08"});
    ProcessResult busy = Cli({"status"});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.out, "0x08\n");
    EXPECT_EQ(busy.err, "Interface Busy: Please check for any error condition on printer!\n");
}

TEST_P(EndToEnd, SilentPrinterTimesOut)
{
    StartPrinter({"--silent"});
    ProcessResult result = Cli({"status"});
    EXPECT_EQ(result.exitCode, 1);
    const std::string cause =
        GetParam() == Line::Network
            ? "LAN " + AddressOfThisCase() + ":3000 (UDP status channel): receive: no reply within 10000 ms"
            : "COM3 (" + dir.file("tty") + "): receive: no reply within 1000 ms";
    EXPECT_EQ(result.err, "Error: Timeout while sending data block!\n  cause: " + cause + "\n");
}

TEST_P(EndToEnd, ConfigurationPrintoutBytesAndPicture)
{
    StartPrinter();
    ProcessResult result = Cli({"print-config"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string expected = std::string("\x1B\x40\x10\x1B\x76\x1B\x45\x01", 8) + "KOVA-AXX Rollvane Ver 2.28" +
                                 std::string("\x00\x1B\x45\x00\x0A\x1F\x74", 7);
    EXPECT_EQ(FirstReceiptBytes(), expected);
    auto picture = PngReader::load(dir.file("out/receipt-0001.png"));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 576);
    EXPECT_GT(picture->height, 200);
    EXPECT_GT(picture->blackCount(), 1000);
}

TEST_P(EndToEnd, PaperOutStopsThePrintout)
{
    StartPrinter({"--paper", "04"});
    ProcessResult result = Cli({"print-config"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error: Receipt paper is out!\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/receipt-0001.png")));
}

INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd, ::testing::Values(Line::Network, Line::Serial),
                         [](const auto &info) { return info.param == Line::Network ? "Network" : "Serial"; });
