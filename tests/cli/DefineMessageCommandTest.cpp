// define-message through the real rollvane-cli: the exit status, what it writes to standard
// error and the bytes a printer on a pseudo-terminal receives.
#include "tests/support/ProcessRunner.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::PtyPrinter;
using testing_support::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Block(uint8_t slot, uint8_t attribute, const std::string &text)
{
    Bytes block = {0x1F, 0x65, slot, attribute};
    for (char c : text) {
        block.push_back(static_cast<uint8_t>(c));
    }
    block.push_back(0x00);
    return block;
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kStatus = {0x1B, 0x68};

// What the printer received, once its line has been quiet for a moment: the program may end
// before the printer's side has read all it wrote.
Bytes Quietly(const PtyPrinter &printer)
{
    Bytes seen = printer.received();
    for (int n = 0; n < 20; ++n) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Bytes now = printer.received();
        if (now == seen && n >= 2) {
            break;
        }
        seen = std::move(now);
    }
    return seen;
}

}  // namespace

TEST(DefineMessageCommandTest, CommandLines)
{
    const std::string usage = "rollvane-cli: define-message";
    const std::string complete = "Complete: Define message complete.\n";
    const std::string longLine(508, 'x');
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string err;
        Bytes received;
    } cases[] = {
        {{"define-message", "reprint", "--line1", "ABC", "--underline", "2 dot Underline", "--double-width", "ON",
          "--color", "Color"},
         0,
         complete,
         kStatus + Block(0x04, 0x2A, "ABC") + Block(0x05, 0x2A, "")},
        {{"define-message", "bottom", "--line1", "Thank you", "--line2=Bye", "--emphasized", "ON", "--inverse=OFF"},
         0,
         complete,
         kStatus + Block(0x00, 0x10, "Thank you") + Block(0x01, 0x10, "Bye")},
        {{"define-message", "top"}, 0, complete, kStatus + Block(0x02, 0x00, "") + Block(0x03, 0x00, "")},
        {{"define-message", "top", "--double-height", "on"},
         1,
         "Invalid Properties: Please select the appropriate properties!\n",
         {}},
        {{"define-message", "top", "--line2", longLine},
         1,
         "Invalid Properties: Line 2 is longer than 507 bytes.\n",
         {}},
        {{"define-message"}, 2, usage + " needs a KIND: top, bottom or reprint\n", {}},
        {{"define-message", "Top"}, 2, usage + ": KIND is top, bottom or reprint, not \"Top\"\n", {}},
        {{"define-message", "top", "bottom"}, 2, usage + ": unexpected argument bottom\n", {}},
        {{"define-message", "top", "--bold", "ON"}, 2, usage + ": unknown option --bold\n", {}},
        {{"define-message", "top", "--line1"}, 2, usage + ": --line1 needs a value\n", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.size() > 1 ? c.arguments[1] + " " + std::to_string(c.arguments.size()) : "none");
        TempDir dir;
        PtyPrinter printer;
        printer.Answer(kStatus, {0x00});
        TempDir::Write(dir.file("inifile.inf"), "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                                "F.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                    printer.slavePath() + "\n");
        const ProcessResult result =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), c.arguments, dir.path());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.err, c.exitCode == 2 ? c.err + "see rollvane-cli define-message --help\n" : c.err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Quietly(printer), c.received);
    }
}

TEST(DefineMessageCommandTest, Help)
{
    TempDir dir;
    const ProcessResult all = ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), {"--help"}, dir.path());
    EXPECT_NE(all.out.find("  define-message KIND [--line1 T] [--line2 T] [--underline T] [--double-height T] "
                           "[--double-width T] [--emphasized T] [--color T] [--inverse T]\n"),
              std::string::npos);
    const ProcessResult one =
        ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), {"define-message", "--help"}, dir.path());
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_NE(one.out.find("KIND is top, bottom or reprint."), std::string::npos);
}
