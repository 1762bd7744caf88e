// Messages defined with rollvane-cli in the real kova-sim, over the network and over a serial
// line: the printer keeps each line in its slot with the attribute byte.
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using testing_support::ChildProcess;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

TEST(MessageEndToEnd, DefinedMessagesAreKeptInTheirSlots)
{
    const struct {
        const char *name;
        bool network;
        const char *address;
    } lines[] = {{"network", true, "127.0.1.70"}, {"serial", false, "127.0.1.71"}};
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        std::filesystem::create_directory(dir.file("out"));
        std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"),
                                         "--address",
                                         line.address,
                                         "--state",
                                         dir.file("state.txt"),
                                         "--out",
                                         dir.file("out")};
        std::vector<std::string> interface = {"--port", "LAN", "--ip", line.address};
        if (!line.network) {
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
    ChildProcess printer;
    const std::string log = dir.file("sim.log");
    ASSERT_TRUE(printer.Start({ProcessRunner::BuiltProgram("kova-sim"), "--address", address, "--tcp-port", "0",
                               "--udp-port", "0", "--serial-link", dir.file("tty"), "--drop-after", "19"},
                              log));
    for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_NE(TempDir::Read(log).find("kova-sim ready"), std::string::npos) << TempDir::Read(log);
    TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                            "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                dir.file("tty") + "\n");
    const ProcessResult result =
        ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                           {"define-message", "top", "--line1", "Thank you", "--line2", "Come again"}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Error: Line 2 Error.\n  cause: COM3 (", 0), 0u) << result.err;
    const std::string complete = "Complete: Define message complete.\n";
    ASSERT_GE(result.err.size(), complete.size());
    EXPECT_EQ(result.err.substr(result.err.size() - complete.size()), complete) << result.err;
}
