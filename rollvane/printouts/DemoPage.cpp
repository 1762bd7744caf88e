#include "rollvane/printouts/DemoPage.h"

#include "platform/InputFile.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/ParseCommandText.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace rollvane {

namespace {

// A demo file may be of any size that fits in memory.
constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kLargestBlock = std::numeric_limits<uint32_t>::max();

// Errors that mean the file could not be opened as a demo file at all, rather than read.
bool CannotOpen(int error)
{
    switch (error) {
    case ENOENT:
    case EACCES:
    case EPERM:
    case ENOTDIR:
    case EISDIR:
    case ELOOP:
    case ENAMETOOLONG:
    case EINVAL:  // not a regular file
        return true;
    default:
        return false;
    }
}

}  // namespace

DemoPage::DemoPage(PrinterLink &link, InterfaceSettings &interface) : link_(link), interface_(interface) {}

std::string DemoPage::FileName(int pattern)
{
    return "Demo" + std::to_string(pattern) + ".txt";
}

int DemoPage::Translate(int pattern, std::vector<uint8_t> *bytes)
{
    const std::string name = FileName(pattern);
    std::string text;
    int error = 0;
    if (!platform::InputFile::Read(folder + "/" + name, kNoLimit, &text, &error)) {
        UserInterface &ui = link_.ui();
        if (CannotOpen(error)) {
            // The first pattern's message has no space before the mark; the others have one.
            ui.ShowMessage("Cannot Open " + name + (pattern == 1 ? "!" : " !"), "Error", MessageIcon::Exclamation,
                           platform::InputFile::FailureText(error, kNoLimit));
        } else {
            ui.ShowMessage("Cannot read " + name + ": " + platform::InputFile::FailureText(error, kNoLimit), "Error",
                           MessageIcon::Stop);
        }
        return 0;
    }
    fileLength_ = text.size();
    ParseCommandText(text, *bytes);
    return 1;
}

int DemoPage::PrintDemoPattern(int pattern)
{
    data_.clear();
    fileLength_ = 0;
    if (!Translate(pattern, &data_)) {
        return 0;
    }
    PrinterAction action(link_, interface_);
    if (!action.Open() || action.CheckStatus(2, true) != PrinterAction::Status::Ready) {
        return 0;
    }
    // One block, however large; a file that translates to nothing still sends its empty block.
    // Only a receipt past 4 GiB, which one call cannot carry, goes in several.
    std::size_t at = 0;
    do {
        const auto length = static_cast<uint32_t>(std::min<std::size_t>(data_.size() - at, kLargestBlock));
        if (!link_.SendBulk(data_.data() + at, length)) {
            link_.ui().ShowMessage("Demo" + std::to_string(pattern) + " Error.", "Error", MessageIcon::Exclamation,
                                   link_.failureCause());
            return 0;
        }
        at += length;
    } while (at < data_.size());
    return 1;
}

}  // namespace rollvane
