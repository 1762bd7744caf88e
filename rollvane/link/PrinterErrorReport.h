#pragma once

#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/link/UserInterface.h"

#include <functional>
#include <string>

namespace rollvane {

class PrinterLink;

// Ends a failed action: the release bytes to the printer while the link is open, then
// EndOperation, then the message, so the action is over when the person reads it.
class PrinterErrorReport {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    // The message of a code, or nothing for ErrNone and unknown codes.
    static const Message *MessageFor(PrinterErrorCode code);

    // The settings page's form (also used by the configuration printout).
    static void SettingsForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code);
    // The test-print page's form; enableControls runs after its time-out message.
    static void TestPrintForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code,
                              const std::function<void()> &enableControls);
};

inline void ReportPrinterErrorSettingsForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code)
{
    PrinterErrorReport::SettingsForm(link, ui, code);
}

inline void ReportPrinterErrorTestPrintForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code,
                                            const std::function<void()> &enableControls)
{
    PrinterErrorReport::TestPrintForm(link, ui, code, enableControls);
}

}  // namespace rollvane
