// demo-check and demo-print through the real rollvane-cli, with a printer on a pseudo-terminal.
#include "tests/support/ProcessRunner.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::PtyPrinter;
using testing_support::TempDir;

namespace {

TEST(DemoCommandsTest, CheckAndPrint)
{
    TempDir dir;
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x00});
    TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                            "F.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                printer.slavePath() + "\n");
    TempDir::Write(dir.file("Demo1.txt"), "ESC \"@\" 0x1D 86 0 ; cut\r\n");
    TempDir::Write(dir.file("bad.txt"), "ESC \"@\" ; fine\r\n\"Total\" 0x0A\r\n  ESC ABCD\r\n");
    TempDir::Write(dir.file("wide.txt"), "0x0A\r\n256\r\n");
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string out, err;
    } cases[] = {
        {{"demo-check", "Demo1.txt"}, 0, "Demo1.txt: 5 bytes\n", ""},
        {{"demo-check", "bad.txt"}, 1, "", "Error: bad.txt:3:7: syntax error: name of 4 or more characters\n"},
        {{"demo-check", "wide.txt"}, 1, "", "Error: wide.txt:2:1: syntax error: number above 255\n"},
        {{"demo-check", "none.txt"}, 1, "", "Error: Cannot read none.txt: No such file or directory\n"},
        {{"demo-check"}, 2, "", "rollvane-cli: demo-check needs one FILE and takes --preview OUT.png\n"},
        {{"demo-print", "0"},
         2,
         "",
         "rollvane-cli: demo-print needs one pattern number, 1, 2 or 3, and takes --preview OUT.png\n"},
        {{"demo-print", "2"}, 1, "", "Error: Cannot Open Demo2.txt !\n  cause: No such file or directory\n"},
        {{"demo-check", "Demo1.txt", "--preview", "check.png"}, 0, "Demo1.txt: 5 bytes\ncheck.png\n", ""},
        {{"demo-check", "Demo1.txt", "--preview", "none/check.png"},
         1,
         "Demo1.txt: 5 bytes\n",
         "Error: Cannot write none/check.png\n  cause: No such file or directory\n"},
        {{"demo-print", "1", "--preview", "one.png"}, 0, "one.png\n", ""},
        {{"demo-print", "2", "--preview", "two.png"},
         1,
         "",
         "Error: Cannot Open Demo2.txt !\n  cause: No such file or directory\n"},
        {{"demo-print", "1"}, 0, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments[0] + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        const ProcessResult result =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), c.arguments, dir.path());
        EXPECT_EQ(result.exitCode, c.exit);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.exit == 2 ? c.err + "see rollvane-cli " + c.arguments[0] + " --help\n" : c.err);
    }
    EXPECT_EQ(TempDir::Read(dir.file("check.png")), TempDir::Read(dir.file("one.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("two.png")));
    // Only the last command reached the printer: the status request, then the receipt.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(printer.received(), (std::vector<uint8_t>{0x1B, 0x68, 0x1B, 0x40, 0x1D, 0x56, 0x00}));
}

}  // namespace
