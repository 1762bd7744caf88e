#include "rollvane/cli/TestPrintCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/CommandOptions.h"
#include "rollvane/printouts/TestPrintPage.h"

namespace rollvane {

namespace {

// TEST and the page's button it presses; a duty test also picks its radio button.
struct TestName {
    const char *word;
    int (TestPrintPage::*handler)();
    int duty;
};

constexpr TestName kTests[] = {
    {"all-h", &TestPrintPage::PrintAllH, 0},     {"rolling-ascii", &TestPrintPage::PrintRollingAscii, 0},
    {"duty-12.5", &TestPrintPage::PrintDuty, 0}, {"duty-25", &TestPrintPage::PrintDuty, 1},
    {"duty-50", &TestPrintPage::PrintDuty, 2},   {"duty-75", &TestPrintPage::PrintDuty, 3},
    {"duty-100", &TestPrintPage::PrintDuty, 4},  {"config-printout", &TestPrintPage::PrintConfiguration, 0},
};

}  // namespace

const char *TestPrintCommand::help() const
{
    return "Prints a test page as the buttons of the \"Online Test Print\" page do. TEST is all-h,\n"
           "rolling-ascii, duty-12.5, duty-25, duty-50, duty-75, duty-100 or config-printout.\n"
           "--paper 80 or 58 (80 unless given): when the printer is set for the other width, its\n"
           "setting is written and the printer restarts before the test. --side front, back or both\n"
           "(front unless given): the sides a dual-side printer prints.\n";
}

int TestPrintCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    CommandOptions read;
    std::string error;
    if (!read.Parse(args, {"--paper", "--side"}, &error)) {
        context.errors << "rollvane-cli: test-print: " << error << "\n";
        return kUsageError;
    }
    const TestName *test = nullptr;
    for (const TestName &candidate : kTests) {
        if (read.words().size() == 1 && read.words()[0] == candidate.word) {
            test = &candidate;
        }
    }
    if (!test) {
        context.errors << "rollvane-cli: test-print needs one TEST: all-h, rolling-ascii, duty-12.5, duty-25, "
                          "duty-50, duty-75, duty-100 or config-printout\n";
        return kUsageError;
    }
    TestPrintPage &page = context.window.testPrintPage();
    const std::string *paper = read.value("--paper");
    if (paper && *paper != "80" && *paper != "58") {
        context.errors << "rollvane-cli: test-print: --paper is 80 or 58, not \"" << *paper << "\"\n";
        return kUsageError;
    }
    page.paper = paper && *paper == "58" ? TestPrintPage::Paper::Mm58 : TestPrintPage::Paper::Mm80;
    const std::string *side = read.value("--side");
    if (side && *side != "front" && *side != "back" && *side != "both") {
        context.errors << "rollvane-cli: test-print: --side is front, back or both, not \"" << *side << "\"\n";
        return kUsageError;
    }
    page.side = !side || *side == "front" ? TestPrintPage::Side::Front
                : *side == "back"         ? TestPrintPage::Side::Back
                                          : TestPrintPage::Side::Both;
    page.duty = test->duty;
    (page.*test->handler)();
    return 0;
}

}  // namespace rollvane
