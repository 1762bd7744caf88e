#include "tests/support/ProcessRunner.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::PtyPrinter;
using testing_support::TempDir;

namespace {

class CliTest : public ::testing::Test {
protected:
    ProcessResult Cli(const std::vector<std::string> &arguments)
    {
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    }
    // An inifile.inf for COM3 on the test's printer.
    void SerialIni(const PtyPrinter &printer, const std::string &flow = "Xon/Xoff")
    {
        TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                                "F.CONTROL=" +
                                                    flow + "\nCOMMUNICATION=0\n[DEVICES]\nCOM3=" + printer.slavePath() +
                                                    "\n");
    }

    TempDir dir;
};

}  // namespace

TEST_F(CliTest, UsageErrorsExitWithTwo)
{
    auto none = Cli({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no command given"), std::string::npos);
    auto unknown = Cli({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command frobnicate"), std::string::npos);
    auto option = Cli({"--speed", "9600", "status"});
    EXPECT_EQ(option.exitCode, 2);
    auto missing = Cli({"--port"});
    EXPECT_EQ(missing.exitCode, 2);
    auto badIp = Cli({"--port", "LAN", "--ip", "printer", "status"});
    EXPECT_EQ(badIp.exitCode, 2);
}

TEST_F(CliTest, HelpForTheProgramAndACommand)
{
    auto help = Cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: rollvane-cli [global options] COMMAND"), std::string::npos);
    EXPECT_NE(help.out.find("  status [--raw]\n"), std::string::npos);
    auto status = Cli({"status", "--help"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_NE(status.out.find("status byte"), std::string::npos);
    // Help texts quote menu texts as they read, without the accelerator marks.
    EXPECT_EQ(help.out.find('&'), std::string::npos);
    for (std::size_t at = help.out.find("\nCommands:\n"); (at = help.out.find("\n  ", at)) != std::string::npos;) {
        const std::size_t start = at + 3;
        const std::string command = help.out.substr(start, help.out.find_first_of(" \n", start) - start);
        at = start;
        auto commandHelp = Cli({command, "--help"});
        EXPECT_EQ(commandHelp.exitCode, 0) << command;
        EXPECT_EQ(commandHelp.out.find('&'), std::string::npos) << command;
    }
}

// The conventions scripts rely on: global options on either side of the command, --version,
// a usage error in one line and where its help is, diff's exit status.
TEST_F(CliTest, ScriptConventions)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x00});
    SerialIni(printer);
    const std::string settings = "[Properties settings]:\r\nKnife   =Enabled \r\nBaudrate  = 9600\r\n";
    TempDir::Write(dir.file("a.txt"), settings);
    TempDir::Write(dir.file("same.txt"), settings);
    TempDir::Write(dir.file("b.txt"), "[Properties settings]:\r\nKnife   =Disabled \r\nBaudrate  = 9600\r\n");
    TempDir::Write(dir.file("other.txt"), "hello\n");
    const std::string seeHelp = "see rollvane-cli --help\n";
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string out, err;
    } cases[] = {
        {{"--version"}, 0, "rollvane-cli 2.28\n", ""},
        {{"status", "--version"}, 0, "rollvane-cli 2.28\n", ""},
        {{"status"}, 0, "0x00 ready\n", ""},
        {{"status", "--raw"}, 0, "0x00\n", ""},
        {{"--baud", "115200", "status", "--raw"}, 0, "0x00\n", ""},
        {{"status", "--raw", "--baud=115200", "--parity", "NONE", "--quiet"}, 0, "0x00\n", ""},
        {{"status", "--verbose"},
         0,
         "0x00 ready\n",
         "trace: 1 block sent (2 bytes), 1 received (1 byte), 0 failures\n"},
        {{}, 2, "", "rollvane-cli: no command given\n" + seeHelp},
        {{"frobnicate"}, 2, "", "rollvane-cli: unknown command frobnicate\n" + seeHelp},
        {{"--speed", "1", "status"}, 2, "", "rollvane-cli: unknown option --speed\n" + seeHelp},
        {{"status", "--port"}, 2, "", "rollvane-cli: --port needs a value\n" + seeHelp},
        {{"status", "--bogus"},
         2,
         "",
         "rollvane-cli: status takes only --raw, not --bogus\nsee rollvane-cli status --help\n"},
        // A command's option takes the next word as its value, even one that names a global option.
        {{"test-print", "all-h", "--side", "--json"},
         2,
         "",
         "rollvane-cli: test-print: --side is front, back or both, not \"--json\"\nsee rollvane-cli test-print "
         "--help\n"},
        {{"--port", "LAN", "--ip", "no-such-printer.invalid", "status"},
         2,
         "",
         "rollvane-cli: --ip no-such-printer.invalid: Name or service not known\n" + seeHelp},
        {{"diff", "a.txt", "same.txt"}, 0, "", ""},
        {{"diff", "a.txt", "b.txt"}, 1, "Knife: \"Enabled\" -> \"Disabled\"\n", ""},
        {{"diff", "b.txt", "a.txt", "--quiet"}, 1, "Knife: \"Disabled\" -> \"Enabled\"\n", ""},
        {{"diff", "a.txt", "none.txt"}, 2, "", "rollvane-cli: diff: none.txt: No such file or directory\n"},
        {{"diff", "other.txt", "a.txt"},
         2,
         "",
         "rollvane-cli: diff: other.txt holds no printer settings (no [Properties settings] section with an item)\n"},
        {{"diff", "a.txt"},
         2,
         "",
         "rollvane-cli: diff needs two settings files, A.txt and B.txt\nsee rollvane-cli diff --help\n"},
    };
    for (const auto &c : cases) {
        std::string shown;
        for (const auto &argument : c.arguments) {
            shown += " " + argument;
        }
        SCOPED_TRACE(shown);
        auto result = Cli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exit);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST_F(CliTest, SettingsTheDialogWouldRefuseExitWithTwo)
{
    // No inifile.inf: the flow control is "NULL", which OK refuses for a COM port.
    auto result = Cli({"--port", "COM3", "status"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Invalid Properties: Please select the appropriate properties!\n");
    auto lower = Cli(
        {"--port", "com3", "--flow", "Xon/Xoff", "--baud", "9600", "--parity", "NONE", "--stop-bits", "1", "status"});
    EXPECT_EQ(lower.exitCode, 2);
}

TEST_F(CliTest, StatusOfAReadyPrinter)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x00});
    SerialIni(printer);
    auto result = Cli({"status"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "0x00 ready\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(printer.received(), (std::vector<uint8_t>{0x1B, 0x68}));
}

TEST_F(CliTest, StatusOfABusyPrinter)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x08});
    SerialIni(printer);
    auto result = Cli({"status"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "0x08 busy: check the printer\n");
    EXPECT_EQ(result.err, "Interface Busy: Please check for any error condition on printer!\n");
}

TEST_F(CliTest, StatusOfASilentPrinter)
{
    PtyPrinter printer;
    SerialIni(printer);
    auto result = Cli({"status"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error: Timeout while sending data block!\n  cause: COM3 (" + printer.slavePath() +
                              "): receive: no reply within 1000 ms\n");
}

TEST_F(CliTest, InterfaceOptionsOverrideTheFile)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x80});
    SerialIni(printer, "NULL");
    auto refused = Cli({"status"});
    EXPECT_EQ(refused.exitCode, 2);
    auto result = Cli({"--flow=DTR/DSR", "--baud", "9600", "status"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "0x80 ready, other bits 0x80\n");
    // The CLI never writes the file.
    EXPECT_NE(TempDir::Read(dir.file("inifile.inf")).find("F.CONTROL=NULL"), std::string::npos);
}

TEST_F(CliTest, PortThatCannotBeOpened)
{
    TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                            "F.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                dir.file("absent") + "\n");
    auto result = Cli({"status"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error: Unable to get serial port handle!\n  cause: COM3 (" + dir.file("absent") +
                              "): open: No such file or directory\n");
}

// --ip takes exactly four decimal numbers; zero-padded octets are decimal, never octal.
TEST_F(CliTest, TheAddressOptionTakesFourDecimalNumbers)
{
    const struct {
        const char *ip;
        const char *reached;  // nullptr: refused as a usage error
    } cases[] = {
        {"127.0.2.011", "127.0.2.11"},  // the C reading would make it 127.0.2.9
        {"127.000.002.011", "127.0.2.11"}, {"0x7f000001", nullptr}, {"1.2.3", nullptr},
        {"127.0.0.256", nullptr},          {"127.0.0.1.", nullptr}, {"127.0.0.0001", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ip);
        auto result = Cli({"--port", "LAN", "--ip", c.ip, "status"});
        if (!c.reached) {
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_EQ(result.err,
                      std::string("rollvane-cli: --ip needs four decimal numbers from 0 to 255 joined by "
                                  "points, such as 192.168.1.10 (leading zeros count as decimal), or a host "
                                  "name: ") +
                          c.ip + "\nsee rollvane-cli --help\n");
        } else {
            // Nobody listens there: the cause names the address that was reached.
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_NE(result.err.find(std::string("LAN ") + c.reached + ":3000"), std::string::npos) << result.err;
        }
    }
}

// A result that never reached standard output is a failure, with the system's reason.
TEST_F(CliTest, AFullStandardOutputFailsTheCommand)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x00});
    SerialIni(printer);
    auto result = ProcessRunner::Run(
        "/bin/sh", {"-c", "exec \"$0\" status > /dev/full", ProcessRunner::BuiltProgram("rollvane-cli")}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "rollvane-cli: cannot write the standard output: No space left on device\n");
}
