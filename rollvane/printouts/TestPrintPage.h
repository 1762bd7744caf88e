#pragma once

#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/printouts/TestPrintRunner.h"
#include "rollvane/settings/SettingsTransfer.h"

#include <functional>

namespace rollvane {

class PrinterLink;
struct InterfaceSettings;

// The "Online Test Print" page without its widgets: the three radio groups (paper, side, duty),
// the four buttons' handlers and the enabled state of the buttons. A view moves the radio
// choices into the page before a handler and follows onControlsEnabled while it runs.
class TestPrintPage {
public:
    enum class Paper {
        Mm58,
        Mm80
    };
    enum class Side {
        Front,
        Back,
        Both
    };

    TestPrintPage(PrinterLink &link, InterfaceSettings &interface);

    Paper paper = Paper::Mm80;
    Side side = Side::Front;
    // The duty button chosen: 0 for 12.5 %, then 25, 50, 75 and 100 %.
    int duty = 0;

    // Told when the test buttons and the side buttons are disabled at the start of a test and
    // enabled again at its end; the configuration printout disables all four buttons.
    std::function<void(bool enabled)> onControlsEnabled;
    bool controlsEnabled() const { return controlsEnabled_; }

    // The page's first state: 80 mm, front side only, 12.5 %, the runner set for both.
    void Initialise();

    // The buttons: "All H Print Test", "Rolling ASCII Print Test", "Duty Print Test" and
    // "Configuration Printout". 1 when the printer printed and answered ready, 0 after the
    // message that says why not.
    int PrintAllH();
    int PrintRollingAscii();
    int PrintDuty();
    int PrintConfiguration();

    // The test code of the selected duty button: 3 for 12.5 % to 7 for 100 %.
    int DutyCode() const { return TestDuty12 + duty; }
    TestPrintRunner &runner() { return runner_; }

private:
    int RunTest(int testCode);
    // The frame of every button: buttons out of reach, open and configure, the sequence, its
    // report, buttons back. 1 when the sequence printed.
    int RunAction(const std::function<PrinterErrorCode()> &sequence);
    void SetControlsEnabled(bool enabled);
    void ReportPrinterError(PrinterErrorCode code);

    PrinterLink &link_;
    InterfaceSettings &interface_;
    TestPrintRunner runner_;
    SettingsTransfer transfer_;
    bool controlsEnabled_ = true;
};

}  // namespace rollvane
