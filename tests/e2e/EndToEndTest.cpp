#include "tests/support/ChildProcess.h"
#include "tests/support/PngReader.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include <iostream>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
            TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                                    "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                        dir.file("tty") + "\n");
        }
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_TRUE(printer.Start(argv, log));
        for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ASSERT_NE(TempDir::Read(log).find("kova-sim ready"), std::string::npos);
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
        return TempDir::Read(dir.file("out/receipt-0001.bin"));
    }

    // The cases run side by side as separate processes: each gets a loopback address of its
    // own, so the fixed printer ports never clash.
    static std::string AddressOfThisCase()
    {
        static const char *const kCases[] = {"StatusOfAReadyAndOfABusyPrinter", "SilentPrinterTimesOut",
                                             "ConfigurationPrintoutBytesAndPicture", "PaperOutStopsThePrintout",
                                             "TraceOfAStatusQuery"};
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        int index = 0;
        for (int i = 0; i < 5; ++i) {
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
    EXPECT_EQ(ready.out, "0x00 ready\n");
    printer.Stop();

    StartPrinter({"--status", "08"});
    ProcessResult busy = Cli({"status"});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.out, "0x08 busy: check the printer\n");
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
    auto picture = PngReader::Load(dir.file("out/receipt-0001.png"));
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

TEST_P(EndToEnd, TraceOfAStatusQuery)
{
    StartPrinter();
    ProcessResult quiet = Cli({"status"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");  // no trace unless asked for

    const std::string stamp = "rollvane \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
    std::string expected;
    if (GetParam() == Line::Network) {
        const std::string lan = "LAN " + AddressOfThisCase();
        const std::string channel = lan + ":3000 \\(UDP status channel\\)";
        expected = stamp + "open LAN\n" + stamp + "configure " + lan +
                   ": TCP data channel port 9100 open, UDP status channel port 3000 open\n" + stamp + channel +
                   " send 6 bytes: 00 00 00 00 1B 68\n" + stamp + channel + " recv 8 bytes: 00 00 00 00 00 00 00 00\n" +
                   stamp + "close " + lan + "\n";
    } else {
        const std::string port = "COM3 \\(" + dir.file("tty") + "\\)";
        expected = stamp + "open " + port + "\n" + stamp + "configure " + port +
                   ": 115200 baud, parity NONE, data bits 8, stop bits 1, flow Xon/Xoff\n" + stamp + port +
                   " send 2 bytes: 1B 68\n" + stamp + port + " recv 1 byte: 00\n" + stamp + "close " + port + "\n";
    }
    ProcessResult traced = Cli({"--trace", "status"});
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    EXPECT_EQ(traced.out, "0x00 ready\n");
    EXPECT_TRUE(std::regex_match(traced.err, std::regex(expected))) << traced.err;

    // The environment does the same, into a file.
    std::vector<std::string> arguments = {"ROLLVANE_TRACE=" + dir.file("trace.txt"),
                                          ProcessRunner::BuiltProgram("rollvane-cli")};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("status");
    ProcessResult fromEnvironment = ProcessRunner::Run("/usr/bin/env", arguments, dir.path());
    ASSERT_EQ(fromEnvironment.exitCode, 0) << fromEnvironment.err;
    EXPECT_EQ(fromEnvironment.err, "");
    EXPECT_TRUE(std::regex_match(TempDir::Read(dir.file("trace.txt")), std::regex(expected)))
        << TempDir::Read(dir.file("trace.txt"));
}

INSTANTIATE_TEST_SUITE_P(Lines, EndToEnd, ::testing::Values(Line::Network, Line::Serial),
                         [](const auto &info) { return info.param == Line::Network ? "Network" : "Serial"; });

// Every failure the link can explain carries a cause line under its message.
TEST(CauseLines, FailuresSayWhatTheSystemSaid)
{
    struct Case {
        const char *name;
        // Prepares the folder (inifile.inf, printers) and returns the command line after the program.
        std::function<std::vector<std::string>(TempDir &, ChildProcess &)> setUp;
        const char *command;
        std::function<std::string(TempDir &)> expected;
        bool asUserWithoutRights = false;
    };
    const auto serialIni = [](TempDir &dir, const std::string &device) {
        TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                                "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                    device + "\n");
    };
    const auto startPrinter = [](TempDir &dir, ChildProcess &printer, std::vector<std::string> extra) {
        std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"), "--out", dir.path()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        const std::string log = dir.file("sim.log");
        EXPECT_TRUE(printer.Start(argv, log));
        for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    };
    const std::vector<Case> cases = {
        {"a serial port the user may not open",
         [&](TempDir &dir, ChildProcess &) {
             // Root may open anything, so the program runs as a user without rights.
             TempDir::Write(dir.file("tty"), "");
             chmod(dir.file("tty").c_str(), 0);
             chmod(dir.path().c_str(), 0755);
             serialIni(dir, dir.file("tty"));
             chmod(dir.file("inifile.inf").c_str(), 0644);
             return std::vector<std::string>{};
         },
         "status",
         [](TempDir &dir) {
             return "Error: Unable to get serial port handle!\n  cause: COM3 (" + dir.file("tty") +
                    "): open: Permission denied (serial ports usually need membership of the \"dialout\" group)\n";
         },
         true},
        {"a [DEVICES] entry that names an ordinary file",
         [&](TempDir &dir, ChildProcess &) {
             TempDir::Write(dir.file("victim.txt"), "keep me\n");
             serialIni(dir, dir.file("victim.txt"));
             return std::vector<std::string>{};
         },
         "status",
         [](TempDir &dir) {
             EXPECT_EQ(TempDir::Read(dir.file("victim.txt")), "keep me\n");
             return "Error: Unable to get serial port handle!\n  cause: COM3 (" + dir.file("victim.txt") +
                    "): open: it is not a serial port (not a terminal device)\n";
         }},
        {"a port name with no device",
         [&](TempDir &dir, ChildProcess &) {
             serialIni(dir, dir.file("no-such-tty"));
             return std::vector<std::string>{};
         },
         "status",
         [](TempDir &dir) {
             return "Error: Unable to get serial port handle!\n  cause: COM3 (" + dir.file("no-such-tty") +
                    "): open: No such file or directory\n";
         }},
        {"a printer whose data channel refuses the connection",
         [&](TempDir &dir, ChildProcess &printer) {
             // The status channel answers on its usual port; nothing listens on 9100.
             startPrinter(dir, printer, {"--address", "127.0.1.40", "--tcp-port", "0"});
             return std::vector<std::string>{"--port", "LAN", "--ip", "127.0.1.40"};
         },
         "load-printer",
         [](TempDir &) {
             return std::string("Error: Timeout while sending data block!\n  cause: LAN 127.0.1.40:9100 (TCP data "
                                "channel): send: the channel did not open: connect: Connection refused\n");
         }},
        {"an address where nothing listens: refused at once, not after the time-out",
         [&](TempDir &, ChildProcess &) {
             return std::vector<std::string>{"--port", "LAN", "--ip", "127.0.1.42"};
         },
         "status",
         [](TempDir &) {
             return std::string("Error: Timeout while sending data block!\n  cause: LAN 127.0.1.42:3000 (UDP status "
                                "channel): receive: Connection refused\n");
         }},
        {"a status request that got no reply",
         [&](TempDir &dir, ChildProcess &printer) {
             startPrinter(dir, printer,
                          {"--address", "127.0.1.41", "--tcp-port", "0", "--udp-port", "0", "--serial-link",
                           dir.file("tty"), "--silent"});
             serialIni(dir, dir.file("tty"));
             return std::vector<std::string>{};
         },
         "status",
         [](TempDir &dir) {
             return "Error: Timeout while sending data block!\n  cause: COM3 (" + dir.file("tty") +
                    "): receive: no reply within 1000 ms\n";
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ChildProcess printer;
        std::vector<std::string> arguments = c.setUp(dir, printer);
        arguments.push_back(c.command);
        std::string program = ProcessRunner::BuiltProgram("rollvane-cli");
        if (c.asUserWithoutRights && geteuid() == 0) {
            // A checkout in a folder only root may enter (mktemp -d makes one) cannot be run as
            // another user at all; the case then says so and is left out.
            const std::vector<std::string> probe = {
                "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/test", "-x", program};
            if (ProcessRunner::Run("/usr/bin/setpriv", probe, dir.path(), std::chrono::seconds(8)).exitCode != 0) {
                std::cout << "left out: " << c.name << ": the build folder is closed to other users\n";
                continue;
            }
            arguments.insert(arguments.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", program});
            program = "/usr/bin/setpriv";
        }
        // Well under the 10 s a status reply is waited for: a refusal is not waited out.
        ProcessResult result = ProcessRunner::Run(program, arguments, dir.path(), std::chrono::seconds(8));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, c.expected(dir));
    }
}
