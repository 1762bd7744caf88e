#include "rollvane/printouts/TestPrintPage.h"

#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterErrorReport.h"
#include "rollvane/link/PrinterLink.h"

namespace rollvane {

TestPrintPage::TestPrintPage(PrinterLink &link, InterfaceSettings &interface)
    : link_(link), interface_(interface), runner_(link), transfer_(link)
{
    Initialise();
}

void TestPrintPage::Initialise()
{
    runner_.paperType = 0;
    runner_.dualSide = 1;
    paper = Paper::Mm80;
    side = Side::Front;
    duty = 0;
    SetControlsEnabled(true);
}

int TestPrintPage::PrintAllH()
{
    runner_.linesPerPage = 27;
    return RunTest(TestAllH);
}

int TestPrintPage::PrintRollingAscii()
{
    runner_.linesPerPage = 27;
    return RunTest(TestRollingAscii);
}

int TestPrintPage::PrintDuty()
{
    return RunTest(DutyCode());
}

int TestPrintPage::RunTest(int testCode)
{
    const bool mm58 = paper == Paper::Mm58;
    runner_.dotsPerLine = mm58 ? 424 : 576;
    runner_.paperType = mm58 ? 1 : 0;
    runner_.charsPerLine = mm58 ? 36 : 48;
    runner_.pageCount = 1;
    return RunAction([this, testCode] {
        runner_.printFront = side == Side::Front || side == Side::Both;
        runner_.printBack = side == Side::Back || side == Side::Both;
        return runner_.RunTestPrint(testCode);
    });
}

int TestPrintPage::PrintConfiguration()
{
    return RunAction([this] { return transfer_.ConfigurationPrintout(); });
}

int TestPrintPage::RunAction(const std::function<PrinterErrorCode()> &sequence)
{
    SetControlsEnabled(false);
    int printed = 0;
    {
        // Whatever way the sequence ends, the frame leaves the link closed and the progress
        // window gone: the sequence ends the action itself on success, the report on a failure.
        PrinterAction action(link_, interface_);
        if (action.Open()) {
            const PrinterErrorCode result = sequence();
            ReportPrinterError(result);
            printed = result == ErrNone;
        }
    }
    SetControlsEnabled(true);
    return printed;
}

void TestPrintPage::SetControlsEnabled(bool enabled)
{
    controlsEnabled_ = enabled;
    if (onControlsEnabled) {
        onControlsEnabled(enabled);
    }
}

void TestPrintPage::ReportPrinterError(PrinterErrorCode code)
{
    PrinterErrorReport::TestPrintForm(link_, link_.ui(), code, [this] { SetControlsEnabled(true); });
}

}  // namespace rollvane
