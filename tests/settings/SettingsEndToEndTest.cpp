// rollvane-cli against the virtual printer, over the network and over a serial line:
// read the settings, change one in the file, write it, read it back; print the configuration.
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

enum class Line {
    Network,
    Serial
};

class SettingsEndToEnd : public ::testing::TestWithParam<Line> {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.file("out"));
        address = AddressOfThisTest();
        if (GetParam() == Line::Network) {
            interfaceOptions = {"--port", "LAN", "--ip", address};
        } else {
            TempDir::Write(dir.file("inifile.inf"),
                           "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                           "F.CONTROL=Xon/Xoff\nCOMMUNICATION=0\n[DEVICES]\nCOM3=" +
                               dir.file("tty") + "\n");
        }
        StartPrinter();
    }

    // kova-sim on this test's address (and its serial line), with extra options; it is ready
    // when this returns.
    void StartPrinter(const std::vector<std::string> &extra = {})
    {
        std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"),
                                         "--state",
                                         dir.file("state.txt"),
                                         "--out",
                                         dir.file("out"),
                                         "--restart-seconds",
                                         "1",
                                         "--address",
                                         address};
        if (GetParam() == Line::Serial) {
            argv.insert(argv.end(), {"--tcp-port", "0", "--udp-port", "0", "--serial-link", dir.file("tty")});
        }
        argv.insert(argv.end(), extra.begin(), extra.end());
        std::filesystem::remove(dir.file("sim.log"));
        ASSERT_TRUE(printer.Start(argv, dir.file("sim.log")));
        for (int i = 0; i < 100 && TempDir::Read(dir.file("sim.log")).find("kova-sim ready") == std::string::npos;
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_NE(TempDir::Read(dir.file("sim.log")).find("kova-sim ready"), std::string::npos)
            << TempDir::Read(dir.file("sim.log"));
    }

    // Every test case a loopback address of its own, so the fixed printer ports are free
    // when the cases run side by side.
    static std::string AddressOfThisTest()
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const char *cases[] = {"ChangeOneItemAndReadItBack",
                               "PrintConfigProducesAReceipt",
                               "BusyPrinterChangesNothing",
                               "FilesTheRealRunRefusesChangeNothing",
                               "LoadPrinterAsksForTheModelOnASerialLineOnly",
                               "ALinkDroppedInTheMiddleOfTheWrite"};
        int index = 0;
        for (int i = 0; i < 6; ++i) {
            if (name.rfind(cases[i], 0) == 0) {
                index = i;
            }
        }
        return "127.0.0." + std::to_string(61 + 2 * index + (GetParam() == Line::Serial ? 1 : 0));
    }

    ProcessResult Cli(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), interfaceOptions.begin(), interfaceOptions.end());
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    }

    TempDir dir;
    testing_support::ChildProcess printer;
    std::vector<std::string> interfaceOptions;
    std::string address;
};

TEST_P(SettingsEndToEnd, ChangeOneItemAndReadItBack)
{
    ProcessResult load = Cli({"load-printer", "-o", "printer.txt"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(load.err, "Saved Properties:  Properties Saved!\n");
    std::string file = TempDir::Read(dir.file("printer.txt"));
    ASSERT_EQ(file.rfind("[Properties settings]:\r\n\r\n\r\n", 0), 0u);
    const std::string enabled = "\r\nKnife   =Enabled \r\n";
    const std::size_t knife = file.find(enabled);
    ASSERT_NE(knife, std::string::npos) << file;
    file.replace(knife, enabled.size(), "\r\nKnife   =Disabled \r\n");
    TempDir::Write(dir.file("printer.txt"), file);

    ProcessResult dryRun = Cli({"change-settings", "printer.txt", "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(dryRun.out, "Knife: \"Enabled\" -> \"Disabled\"\n");
    EXPECT_EQ(Cli({"load-printer"}).out.find("Knife   =Disabled"), std::string::npos);

    ProcessResult change = Cli({"change-settings", "printer.txt"});
    EXPECT_EQ(change.exitCode, 0) << change.err;
    if (GetParam() == Line::Network) {
        // The interface items are not read over the network, so none was written.
        EXPECT_EQ(change.err, "Complete: Change Settings Complete.\n\n");
    } else {
        EXPECT_EQ(change.err.rfind("Complete: Change Settings Complete.\n"
                                   "And please reset the communication parameter.\n",
                                   0),
                  0u)
            << change.err;
    }

    ProcessResult again = Cli({"load-printer"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("\r\nKnife   =Disabled \r\n"), std::string::npos) << again.out;
    EXPECT_EQ(again.out.substr(0, knife), file.substr(0, knife));
}

// A dry run refuses what the real run refuses, with the same message and exit status; a file
// that holds no settings at all is refused before the printer is touched.
TEST_P(SettingsEndToEnd, FilesTheRealRunRefusesChangeNothing)
{
    ProcessResult load = Cli({"load-printer", "-o", "printer.txt"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    std::string invalid = TempDir::Read(dir.file("printer.txt"));
    const std::string enabled = "\r\nKnife   =Enabled \r\n";
    ASSERT_NE(invalid.find(enabled), std::string::npos);
    invalid.replace(invalid.find(enabled), enabled.size(), "\r\nKnife   =maybe \r\n");
    TempDir::Write(dir.file("invalid.txt"), invalid);
    TempDir::Write(dir.file("notes.txt"), "Printers to set up on Monday:\nKX80 at the front desk\n");
    const std::string refused =
        "Invalid Properties: Please select the appropriate properties!\n"
        "  cause: Knife: \"maybe\" is not one of \"Enabled\", \"Disabled\" (letter case counts)\n";
    const std::string noSettings = "rollvane-cli: change-settings: notes.txt holds no printer settings (no "
                                   "[Properties settings] section with an item)\n"
                                   "see rollvane-cli change-settings --help\n";
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char *err;
    } cases[] = {
        {{"change-settings", "invalid.txt", "--dry-run"}, 1, refused.c_str()},
        {{"change-settings", "invalid.txt"}, 1, refused.c_str()},
        {{"change-settings", "notes.txt", "--dry-run"}, 2, noSettings.c_str()},
        {{"change-settings", "notes.txt"}, 2, noSettings.c_str()},
    };
    const std::string stateBefore = TempDir::Read(dir.file("state.txt"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments[1] + (c.arguments.size() > 2 ? " --dry-run" : ""));
        ProcessResult result = Cli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(TempDir::Read(dir.file("state.txt")), stateBefore);
    EXPECT_EQ(TempDir::Read(dir.file("sim.log")).find("restart"), std::string::npos);
}

TEST_P(SettingsEndToEnd, PrintConfigProducesAReceipt)
{
    ProcessResult print = Cli({"print-config"});
    EXPECT_EQ(print.exitCode, 0) << print.err;
    EXPECT_EQ(print.err, "");
    std::string receipt;
    for (int i = 0; i < 50 && receipt.empty(); ++i) {
        receipt = TempDir::Read(dir.file("out/receipt-0001.bin"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(receipt.find(std::string("\x1B\x45\x01KOVA-AXX Rollvane Ver 2.28\0\x1B\x45\x00", 33)), std::string::npos);
    EXPECT_NE(receipt.find("\x1F\x74"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/receipt-0001.png")));
}

TEST_P(SettingsEndToEnd, BusyPrinterChangesNothing)
{
    printer.Stop();
    StartPrinter({"--status", "08"});
    TempDir::Write(dir.file("knife.txt"), "[Properties settings]:\r\nKnife=Disabled\r\n");
    ProcessResult change = Cli({"change-settings", "knife.txt"});
    EXPECT_EQ(change.exitCode, 1);
    EXPECT_EQ(change.err, "Interface Busy: Please check for any error condition on printer!\n");
}

// The model and the firmware are asked for on a serial line only, never over the network.
TEST_P(SettingsEndToEnd, LoadPrinterAsksForTheModelOnASerialLineOnly)
{
    ProcessResult load = Cli({"--trace=trace.txt", "load-printer"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    const std::string trace = TempDir::Read(dir.file("trace.txt"));
    // The last configuration read is in the trace, so the load went through.
    ASSERT_NE(trace.find(" send 3 bytes: 1F 31 1F\n"), std::string::npos) << trace;
    for (const char *query : {" send 4 bytes: 1D 49 40 27\n", " send 4 bytes: 1D 49 40 A3\n"}) {
        EXPECT_EQ(trace.find(query) != std::string::npos, GetParam() == Line::Serial) << query << trace;
    }
}

// The printer drops the link in the middle of the first set command (after 1B 40 10 1F 36; on
// the serial line the two status requests come first): the write stops with a time-out and its
// cause, the release byte 10 is still sent, and although the file sets the baud rate nothing
// asks for the communication parameters to be reset.
TEST_P(SettingsEndToEnd, ALinkDroppedInTheMiddleOfTheWrite)
{
    const bool serial = GetParam() == Line::Serial;
    printer.Stop();
    StartPrinter({"--drop-after", serial ? "9" : "5"});
    TempDir::Write(dir.file("change.txt"), "[Properties settings]:\r\nBaudrate=115200\r\nKnife=Disabled\r\n");
    ProcessResult change = Cli({"--trace=trace.txt", "change-settings", "change.txt"});
    EXPECT_EQ(change.exitCode, 1);
    const std::string where = serial ? "COM3 (" + dir.file("tty") + ")" : "LAN " + address + ":9100 (TCP data channel)";
    EXPECT_EQ(change.err.rfind("Error: Timeout while sending data block!\n  cause: " + where + ": send: ", 0), 0u)
        << change.err;
    // That message and its cause line only.
    EXPECT_EQ(std::count(change.err.begin(), change.err.end(), '\n'), 2) << change.err;
    EXPECT_EQ(change.err.find("reset the communication parameter"), std::string::npos);
    EXPECT_EQ(change.err.find("Interface Properties"), std::string::npos);
    EXPECT_NE(TempDir::Read(dir.file("sim.log")).find("link dropped after the announced bytes"), std::string::npos);
    // The release byte is the last block sent, after the failed send.
    const std::string trace = TempDir::Read(dir.file("trace.txt"));
    const std::size_t failure = trace.find(where + ": send: ");
    const std::size_t release = trace.rfind(where + " send 1 byte: 10\n");
    ASSERT_NE(failure, std::string::npos) << trace;
    ASSERT_NE(release, std::string::npos) << trace;
    EXPECT_GT(release, failure);
    EXPECT_EQ(trace.find(" send ", release + where.size() + 1), std::string::npos) << trace;
}

INSTANTIATE_TEST_SUITE_P(Lines, SettingsEndToEnd, ::testing::Values(Line::Network, Line::Serial),
                         [](const auto &info) { return info.param == Line::Network ? "Network" : "Serial"; });

}  // namespace
