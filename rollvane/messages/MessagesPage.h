#pragma once

// The messages layer: the "Define Top/Bottom Msgs" page.
// Error convention of the layer: the button handler reports 1 when it did its work and 0 when it
// stopped, and every failure reaches the person as a UserInterface message box (with the link's
// cause where there is one). Nothing throws.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

class PrinterLink;
struct InterfaceSettings;

// The "Define Top/Bottom Msgs" page without its widgets: the nine texts (kind, two lines, six
// attributes) and the handler of "Download!". A view moves its widgets' texts into the page
// before the handler and back after it.
class MessagesPage {
public:
    static constexpr std::array<const char *, 3> kKinds = {"Top Message", "Bottom Message", "Reprint Message"};
    static constexpr std::array<const char *, 3> kUnderlines = {"No Underline", "1 dot Underline", "2 dot Underline"};
    static constexpr std::array<const char *, 2> kSwitches = {"ON", "OFF"};
    static constexpr std::array<const char *, 2> kColors = {"Color", "Black"};
    // A define-message block is at most 512 bytes: four of head, the text, the closing 00.
    static constexpr std::size_t kMaxLineBytes = 507;

    MessagesPage(PrinterLink &link, InterfaceSettings &interface);

    std::string kindText;
    std::string line1;
    std::string line2;
    std::string underlineText;
    std::string doubleHeightText;
    std::string doubleWidthText;
    std::string emphasizedText;
    std::string colorText;
    std::string inverseText;

    // "Download!". 1 when both blocks went out, 0 when it stopped at a message or a line failed.
    int DownloadMessages();

    // Why the texts cannot be sent, as the message the person reads, or "" when they can.
    std::string Problem() const;
    // The attribute byte of the six attribute texts.
    uint8_t AttributeByte() const;
    // The first line's slot for the kind: 00 bottom, 02 top, 04 reprint; -1 for any other text.
    static int FirstSlot(const std::string &kind);
    // One define-message block: 1F 65 slot attribute text 00.
    static std::vector<uint8_t> Block(uint8_t slot, uint8_t attribute, const std::string &text);

private:
    PrinterLink &link_;
    InterfaceSettings &interface_;
};

}  // namespace rollvane
