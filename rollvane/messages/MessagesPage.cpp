#include "rollvane/messages/MessagesPage.h"

#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterLink.h"

#include <algorithm>
#include <chrono>

namespace rollvane {

namespace {

const char kInvalid[] = "Please select the appropriate properties!";

template <std::size_t N>
bool OneOf(const std::string &text, const std::array<const char *, N> &allowed, bool emptyAllowed)
{
    if (text.empty()) {
        return emptyAllowed;
    }
    return std::any_of(allowed.begin(), allowed.end(), [&](const char *a) { return text == a; });
}

}  // namespace

MessagesPage::MessagesPage(PrinterLink &link, InterfaceSettings &interface) : link_(link), interface_(interface) {}

std::string MessagesPage::Problem() const
{
    // Exact comparison: "on" is not "ON".
    const bool valid = OneOf(kindText, kKinds, false) && OneOf(underlineText, kUnderlines, true) &&
                       OneOf(doubleHeightText, kSwitches, true) && OneOf(doubleWidthText, kSwitches, true) &&
                       OneOf(emphasizedText, kSwitches, true) && OneOf(colorText, kColors, true) &&
                       OneOf(inverseText, kSwitches, true);
    if (!valid) {
        return kInvalid;
    }
    // The printer's block buffer: a longer line would be cut or run over by the printer.
    if (line1.size() > kMaxLineBytes) {
        return "Line 1 is longer than 507 bytes.";
    }
    if (line2.size() > kMaxLineBytes) {
        return "Line 2 is longer than 507 bytes.";
    }
    return "";
}

uint8_t MessagesPage::AttributeByte() const
{
    uint8_t attribute = 0;
    if (underlineText == "1 dot Underline") {
        attribute |= 0x01;
    } else if (underlineText == "2 dot Underline") {
        attribute |= 0x02;
    }
    attribute |= doubleHeightText == "ON" ? 0x04 : 0;
    attribute |= doubleWidthText == "ON" ? 0x08 : 0;
    attribute |= emphasizedText == "ON" ? 0x10 : 0;
    attribute |= colorText == "Color" ? 0x20 : 0;
    attribute |= inverseText == "ON" ? 0x40 : 0;
    return attribute;
}

int MessagesPage::FirstSlot(const std::string &kind)
{
    if (kind == "Bottom Message") {
        return 0x00;
    }
    if (kind == "Top Message") {
        return 0x02;
    }
    if (kind == "Reprint Message") {
        return 0x04;
    }
    return -1;
}

std::vector<uint8_t> MessagesPage::Block(uint8_t slot, uint8_t attribute, const std::string &text)
{
    // The closing 00 is the last of the zeros the block starts with.
    std::vector<uint8_t> block(text.size() + 5, 0x00);
    block[0] = 0x1F;
    block[1] = 0x65;
    block[2] = slot;
    block[3] = attribute;
    std::copy(text.begin(), text.end(), block.begin() + 4);
    return block;
}

int MessagesPage::DownloadMessages()
{
    UserInterface &ui = link_.ui();
    if (const std::string problem = Problem(); !problem.empty()) {
        ui.ShowMessage(problem, "Invalid Properties", MessageIcon::Exclamation);
        return 0;
    }
    PrinterAction action(link_, interface_);
    link_.StartProgress("Downloading Messages").SetProgress(100, 0);
    link_.progress->SetProgress(100, 10);
    const uint8_t attribute = AttributeByte();
    link_.progress->SetProgress(100, 20);
    const auto slot = static_cast<uint8_t>(FirstSlot(kindText));
    std::vector<uint8_t> blocks[2] = {Block(slot, attribute, line1),
                                      Block(static_cast<uint8_t>(slot + 1), attribute, line2)};
    link_.progress->SetProgress(100, 30);
    link_.clock().SleepFor(std::chrono::milliseconds(500));

    if (!action.Open()) {
        return 0;
    }
    const auto showAttempt = [this](int) { link_.progress->SetProgress(100, 40); };
    if (action.CheckStatus(2, true, showAttempt) != PrinterAction::Status::Ready) {
        return 0;
    }
    link_.progress->SetProgress(100, 40);
    int sent = 1;
    const uint32_t positions[2] = {50, 100};
    for (int n = 0; n < 2; ++n) {
        std::vector<uint8_t> &block = blocks[n];
        bool delivered = link_.SendBulk(block.data(), static_cast<uint32_t>(block.size()));
        if (delivered && n == 1) {
            // The system takes the block whether or not the printer is still there; a printer
            // that dropped the link shows by the next whole second.
            link_.WaitSeconds(0);
            delivered = link_.CheckConnected();
        }
        if (delivered) {
            link_.progress->SetProgress(100, positions[n]);
        } else {
            // The other line is still worth sending.
            ui.ShowMessage("Line " + std::to_string(n + 1) + " Error.", "Error", MessageIcon::Exclamation,
                           link_.failureCause());
            sent = 0;
        }
    }
    link_.Close();
    ui.ShowMessage("Define message complete.", "Complete", MessageIcon::None);
    action.Finish();
    return sent;
}

}  // namespace rollvane
