#include "rollvane/app/FindPrintersDialog.h"

#include "rollvane/link/NumberText.h"
#include "rollvane/link/StatusMeaning.h"

namespace rollvane {

const char *const FindPrintersDialog::kSearching = "Searching...";
const char *const FindPrintersDialog::kNoneAnswered = "No printer answered.";
const char *const FindPrintersDialog::kNoFinder = "This program has no network search.";

const std::vector<std::string> &FindPrintersDialog::ColumnTitles()
{
    static const std::vector<std::string> titles = {"Address", "Status", "Model", "Firmware"};
    return titles;
}

FindPrintersDialog::FindPrintersDialog(PrinterFinder *finder) : finder_(finder)
{
    // Every interface's broadcast address; the model and firmware say which printer is which.
    request_.identify = true;
}

FindPrintersDialog::Outcome FindPrintersDialog::Search() const
{
    Outcome outcome;
    if (!finder_) {
        outcome.error = kNoFinder;
        return outcome;
    }
    outcome.made = finder_->Find(request_, &outcome.found, &outcome.error);
    return outcome;
}

void FindPrintersDialog::Started()
{
    searching_ = true;
    line_ = kSearching;
    found_.clear();
    rows_.clear();
}

void FindPrintersDialog::Finished(Outcome outcome)
{
    searching_ = false;
    found_.clear();
    rows_.clear();
    if (!outcome.made) {
        line_ = outcome.error;
        return;
    }
    found_ = std::move(outcome.found);
    for (const FoundPrinter &printer : found_) {
        rows_.push_back({NumberText::DottedText(printer.address), StatusMeaning::Line(printer.status),
                         printer.modelCode, printer.firmware});
    }
    if (found_.empty()) {
        line_ = kNoneAnswered;
    } else {
        line_ = std::to_string(found_.size()) + (found_.size() == 1 ? " printer answered." : " printers answered.");
    }
}

void FindPrintersDialog::Choose(int row)
{
    if (row >= 0 && row < static_cast<int>(found_.size())) {
        chosen_ = found_[static_cast<std::size_t>(row)];
    } else {
        chosen_.reset();
    }
}

}  // namespace rollvane
