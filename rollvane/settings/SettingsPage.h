#pragma once

// The settings layer: the page logic of "Change Settings" and its printer sequences.
// Error convention of the layer: the button handlers report 1 when they did their work and 0
// when they stopped, printer sequences return a PrinterErrorCode, and every failure reaches the
// person as a UserInterface message box (with the link's cause where there is one), never as a
// value a caller has to show. Nothing throws.

#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/settings/PrinterSettings.h"
#include "rollvane/settings/SettingsChange.h"
#include "rollvane/settings/SettingsTransfer.h"

#include <array>
#include <string>
#include <vector>

namespace rollvane {

class PrinterLink;
struct InterfaceSettings;

// The "Change Settings" page without its widgets: the texts of its 38 lists, the page's
// PrinterSettings, and the handlers of its four buttons. A view moves texts between its
// lists and SetListText/listText before and after each handler.
class SettingsPage {
public:
    // interface: the settings of the running program, which every action opens the link with.
    SettingsPage(PrinterLink &link, InterfaceSettings &interface);

    // What a list shows for a text: the first option that begins with it (without regard
    // to case), else the text itself as typed; the empty text selects nothing.
    struct Shown {
        int index;  // option index, -1 for none
        std::string editText;
    };
    static Shown ShowRule(int number, const std::string &text);
    // What a list gives back: its edit field's text.
    static std::string TakeBack(const std::string &editText) { return editText; }

    const std::string &listText(int number) const { return lists_.at(static_cast<std::size_t>(number - 1)); }
    void SetListText(int number, const std::string &editText);

    // Buttons 1064, 1065, 1093 and 1094. Each reports 1 when it did its work and 0 when it
    // stopped at a message or a cancelled choice.
    int LoadFile();
    int SaveFile();
    int LoadFromPrinter();
    int ApplySettings();
    // Takes the lists' texts and checks them as "Change Settings" does. A refused text ends
    // in the "Invalid Properties" message, with the item and its accepted texts as the cause,
    // and empties every text. 1 when every text is accepted.
    int ValidateLists();

    // The end of a failed printer action: tells the printer, closes the progress window and
    // the link, then shows the code's message.
    void ReportPrinterError(PrinterErrorCode code);

    // After a "Load Printer": the items the lists would change on the printer, one line each
    // ("Knife: \"Enabled\" -> \"Disabled\""; "(not reported)" for an item the printer gave no
    // text for), in record order. The report belongs to the printer it was read from: a failed
    // load, or interface settings that no longer match, leave none.
    bool hasPrinterReport() const { return hasReport_ && reportedWith_.sameLinkAs(interface_); }
    std::vector<std::string> pendingChanges() const;
    std::vector<SettingsChange> pendingChangeItems() const;

    // Carries the written communication texts into the interface settings so the PC side
    // follows the printer.
    static void CarryInterfaceValues(const PrinterSettings &settings, InterfaceSettings &interface);

    const PrinterSettings &settings() const { return settings_; }
    const std::string &rememberedFileName() const { return rememberedFileName_; }
    SettingsTransfer &transfer() { return transfer_; }

    static constexpr const char *kChangesCaption = "Change Settings";

private:
    void TakeLists();
    void ShowSettings(int lastItem = SettingsTable::kItemCount);
    bool ConfirmChanges();

    PrinterLink &link_;
    InterfaceSettings &interface_;
    SettingsTransfer transfer_;
    PrinterSettings settings_;
    std::array<std::string, SettingsTable::kItemCount> lists_;
    std::string rememberedFileName_;
    PrinterSettings reported_;  // empty where the printer gave no text
    InterfaceSettings reportedWith_;
    bool hasReport_ = false;
};

}  // namespace rollvane
