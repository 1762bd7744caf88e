#include "rollvane/link/PrinterErrorReport.h"

#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/PrinterLink.h"

#include <array>

namespace rollvane {

namespace {

struct Entry {
    PrinterErrorCode code;
    PrinterErrorReport::Message message;
};

const std::array<Entry, 7> kMessages{{
    {ErrTimeout, {"Timeout while sending data block!", "Error"}},
    {ErrKnifeJam, {"Knife or Slip is jammed!", "Error"}},
    {ErrWrongData, {"Received wrong data!", "Error"}},
    {ErrPaperOut, {"Receipt paper is out!", "Error"}},
    {ErrPaperLow, {"Receipt paper is low!", "Error"}},
    {ErrCoverOpen, {"Receipt cover or front cover is opened!", "Error"}},
    {ErrBusy, {"Please check for any error condition on printer!", "Interface Busy"}},
}};

// What each form does with a code before its message.
enum class Step {
    Nothing,
    Release,             // send 10, end, message
    CheckEndAndRelease,  // send 1F 7A 74 00, then 10, end, message
    EndOnly,             // end, message
};

struct Treatment {
    PrinterErrorCode code;
    Step settings;
    Step testPrint;
};

const std::array<Treatment, 7> kTreatments{{
    {ErrTimeout, Step::Release, Step::CheckEndAndRelease},
    {ErrKnifeJam, Step::Release, Step::Release},
    {ErrWrongData, Step::Release, Step::Nothing},
    {ErrPaperOut, Step::Release, Step::Release},
    {ErrPaperLow, Step::Release, Step::Release},
    {ErrCoverOpen, Step::Release, Step::Release},
    {ErrBusy, Step::EndOnly, Step::EndOnly},
}};

const Treatment *TreatmentFor(PrinterErrorCode code)
{
    for (const auto &treatment : kTreatments) {
        if (treatment.code == code) {
            return &treatment;
        }
    }
    return nullptr;
}

// Returns whether the action was ended (and a message shown).
bool Run(Step step, PrinterLink &link, UserInterface &ui, PrinterErrorCode code)
{
    if (step == Step::Nothing) {
        return false;
    }
    // Why a time-out happened, taken before the release bytes can add a failure of their own.
    const std::string cause = code == ErrTimeout ? link.failureCause() : std::string();
    // The bytes go whatever state the link is in; their result does not matter.
    if (step == Step::CheckEndAndRelease) {
        link.Send(LinkCommands::kPaperWidthCheckEnd.data(), LinkCommands::kPaperWidthCheckEnd.size());
    }
    if (step == Step::Release || step == Step::CheckEndAndRelease) {
        link.Send(LinkCommands::kErrorRelease.data(), LinkCommands::kErrorRelease.size());
    }
    link.EndOperation();
    if (const auto *message = PrinterErrorReport::MessageFor(code)) {
        ui.ShowMessage(message->text, message->caption, MessageIcon::Exclamation, cause);
    }
    return true;
}

}  // namespace

const PrinterErrorReport::Message *PrinterErrorReport::MessageFor(PrinterErrorCode code)
{
    for (const auto &entry : kMessages) {
        if (entry.code == code) {
            return &entry.message;
        }
    }
    return nullptr;
}

void PrinterErrorReport::SettingsForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code)
{
    if (const Treatment *treatment = TreatmentFor(code)) {
        Run(treatment->settings, link, ui, code);
    }
}

void PrinterErrorReport::TestPrintForm(PrinterLink &link, UserInterface &ui, PrinterErrorCode code,
                                       const std::function<void()> &enableControls)
{
    const Treatment *treatment = TreatmentFor(code);
    if (treatment && Run(treatment->testPrint, link, ui, code) && code == ErrTimeout && enableControls) {
        enableControls();
    }
}

}  // namespace rollvane
