#include "rollvane/link/PrinterAction.h"

#include "rollvane/link/PrinterLink.h"

namespace rollvane {

PrinterAction::PrinterAction(PrinterLink &link, const InterfaceSettings &settings) : link_(link), settings_(settings) {}

PrinterAction::~PrinterAction()
{
    Finish();
}

void PrinterAction::Finish()
{
    if (finished_) {
        return;
    }
    finished_ = true;
    link_.progress.reset();
    if (!keepOpen_) {
        link_.Close();
    }
}

bool PrinterAction::Open()
{
    if (!link_.Open(settings_.portText)) {
        link_.ui().ShowMessage(kOpenFailed, "Error", MessageIcon::Stop, link_.failureCause());
        return false;
    }
    link_.Configure(settings_);
    return true;
}

PrinterAction::Status PrinterAction::CheckStatus(int attempts, bool reportNoAnswer,
                                                 const std::function<void(int)> &beforeAttempt, uint8_t *statusByte)
{
    uint8_t status[PrinterLink::kStatusBufferSize] = {};
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (beforeAttempt) {
            beforeAttempt(attempt);
        }
        const bool answered = link_.QueryStatus(status);
        if (statusByte) {
            *statusByte = status[0];
        }
        if (answered) {
            if (PrinterLink::IsBusy(status[0])) {
                link_.ui().ShowMessage(kBusy, "Interface Busy", MessageIcon::Exclamation);
                return Status::Busy;
            }
            return Status::Ready;
        }
    }
    if (reportNoAnswer) {
        ReportTimeout();
    }
    return Status::NoAnswer;
}

void PrinterAction::ReportTimeout()
{
    link_.ui().ShowMessage(kTimeout, "Error", MessageIcon::Exclamation, link_.failureCause());
}

}  // namespace rollvane
