#include "rollvane/settings/SettingsPage.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"
#include "platform/SystemError.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/NumberText.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterErrorReport.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingText.h"
#include "rollvane/settings/SettingsChange.h"
#include "rollvane/settings/SettingsDecoder.h"
#include "rollvane/settings/SettingsFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace rollvane {

namespace {

// The caption a message box gets when none is named is "Error".
const char kDefaultCaption[] = "Error";

std::string BaseName(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SettingsPage::SettingsPage(PrinterLink &link, InterfaceSettings &interface)
    : link_(link), interface_(interface), transfer_(link)
{}

SettingsPage::Shown SettingsPage::ShowRule(int number, const std::string &text)
{
    if (text.empty()) {
        return {-1, ""};
    }
    const auto &options = SettingsTable::Item(number).options;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (SettingText::BeginsNoCase(options[i], text)) {
            return {static_cast<int>(i), options[i]};
        }
    }
    return {-1, text};
}

void SettingsPage::SetListText(int number, const std::string &editText)
{
    lists_.at(static_cast<std::size_t>(number - 1)) = editText;
}

void SettingsPage::TakeLists()
{
    for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
        settings_.text(n) = TakeBack(listText(n));
    }
}

void SettingsPage::ShowSettings(int lastItem)
{
    for (int n = 1; n <= lastItem; ++n) {
        SetListText(n, ShowRule(n, settings_.text(n)).editText);
    }
}

// ---- settings text file ----

int SettingsPage::LoadFile()
{
    UserInterface &ui = link_.ui();
    rememberedFileName_.clear();
    const auto path = ui.ChooseOpenFile({"txt File  (*.txt)|*.txt|", "", ""});
    if (!path) {
        ui.ShowMessage("No file Loaded!", "No file Loaded! ", MessageIcon::Information);
        return 0;
    }
    rememberedFileName_ = BaseName(*path);
    std::string content;
    int error = 0;
    if (!platform::InputFile::Read(*path, SettingsFile::kMaxFileBytes, &content, &error)) {
        ui.ShowMessage("Cannot read the file " + *path + ":\n" +
                           platform::InputFile::FailureText(error, SettingsFile::kMaxFileBytes),
                       "Error", MessageIcon::Stop);
        return 0;
    }
    if (content.empty()) {
        ui.ShowMessage("No Data in the file Error!", kDefaultCaption, MessageIcon::Stop);
        return 0;
    }
    SettingsFile::Parse(content, settings_);
    // Item 38 is not in the file: its list stays as the person left it.
    ShowSettings(SettingsTable::kItemCount - 1);
    return 1;
}

int SettingsPage::SaveFile()
{
    UserInterface &ui = link_.ui();
    TakeLists();
    const auto path = ui.ChooseSaveFile({"  (*.txt)|*.txt|", "txt", rememberedFileName_});
    if (!path) {
        ui.ShowMessage("No file is saved!", "No file saved! ", MessageIcon::Information);
        return 0;
    }
    int error = 0;
    if (!platform::AtomicFile::Write(*path, SettingsFile::Format(settings_), &error)) {
        ui.ShowMessage("Cannot save the file " + *path + ":\n" + platform::SystemError::Text(error), "Error",
                       MessageIcon::Stop);
        return 0;
    }
    ui.ShowMessage(" Properties Saved!", "Saved Properties", MessageIcon::None);
    return 1;
}

// ---- printer ----

int SettingsPage::LoadFromPrinter()
{
    TakeLists();
    // Whatever happens now, an earlier report no longer says what the printer holds.
    hasReport_ = false;
    PrinterAction action(link_, interface_);
    if (!action.Open()) {
        return 0;
    }
    link_.StartProgress("Loading printer configurations, please wait...").SetProgress(100, 0);
    const auto showAttempt = [this](int attempt) { link_.progress->SetProgress(100, static_cast<uint32_t>(attempt)); };
    if (action.CheckStatus(2, true, showAttempt) != PrinterAction::Status::Ready) {
        return 0;
    }

    SettingsDecoder::ConfigBytes bytes{};
    for (int n = 1; n <= 31; ++n) {
        link_.progress->SetProgress(100, static_cast<uint32_t>(3 * n));
        // A byte that did not arrive is not taken as 0: that would show invented settings.
        if (!transfer_.ReadConfigByte(n, &bytes[static_cast<std::size_t>(n)])) {
            action.ReportTimeout();
            return 0;
        }
    }
    const bool network = link_.linkType == LinkNetwork;
    const bool selectType = network ? false : transfer_.QueryModelInfo();
    // Decoded apart, so that the confirmation knows which items the printer did not report.
    PrinterSettings report;
    SettingsDecoder::Decode(bytes, network, selectType, report);
    for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
        if (!report.text(n).empty()) {
            settings_.text(n) = report.text(n);
        }
    }

    link_.progress->SetProgress(100, 75);
    link_.Close();
    link_.progress->SetProgress(100, 100);
    action.Finish();
    ShowSettings();
    reported_ = report;
    reportedWith_ = interface_;
    hasReport_ = true;
    return 1;
}

std::vector<SettingsChange> SettingsPage::pendingChangeItems() const
{
    if (!hasPrinterReport()) {
        return {};
    }
    PrinterSettings shown;
    for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
        shown.text(n) = listText(n);
    }
    return SettingsChange::Between(reported_, shown, SettingsChange::Scope::Written);
}

std::vector<std::string> SettingsPage::pendingChanges() const
{
    std::vector<std::string> lines;
    for (const auto &change : pendingChangeItems()) {
        lines.push_back(change.Line());
    }
    return lines;
}

bool SettingsPage::ConfirmChanges()
{
    if (!hasPrinterReport()) {
        return true;
    }
    const auto lines = pendingChanges();
    std::string text;
    if (lines.empty()) {
        text = "No item differs from what the printer reported.\nWrite the settings anyway?";
    } else {
        text = "These items will change on the printer:\n";
        for (const auto &line : lines) {
            text += line + "\n";
        }
        text += "Write them?";
    }
    return link_.ui().Confirm(text, kChangesCaption);
}

void SettingsPage::CarryInterfaceValues(const PrinterSettings &settings, InterfaceSettings &interface)
{
    for (const auto &item : SettingsTable::Items()) {
        const std::string &text = settings.text(item.number);
        switch (item.linkEffect) {
        case LinkEffect::BaudRate:
            if (InterfaceSettings::Accepts(InterfaceSettings::kBaudTexts, text)) {
                interface.baudText = text;
                interface.baudRate = NumberText::DecimalValue(text);
            }
            break;
        case LinkEffect::StopBits:
            if (InterfaceSettings::Accepts(InterfaceSettings::kStopBitsTexts, text)) {
                interface.stopBitsText = text;
                interface.stopBits = NumberText::DecimalValue(text);
            }
            break;
        case LinkEffect::Parity:
            // The printer's parity texts are taken whatever their case; the interface keeps its own.
            for (std::string_view parity : InterfaceSettings::kParityTexts) {
                if (SettingText::EqualNoCase(text, std::string(parity))) {
                    interface.parityText = parity;
                }
            }
            break;
        case LinkEffect::FlowControl:
            if (InterfaceSettings::Accepts(InterfaceSettings::kFlowTexts, text)) {
                interface.flowText = text;
            }
            break;
        case LinkEffect::None:
        case LinkEffect::Reset:
            break;
        }
    }
}

int SettingsPage::ValidateLists()
{
    TakeLists();
    const int invalid = settings_.firstInvalidItem();
    if (invalid == 0) {
        return 1;
    }
    // The first refused item and what it would accept, beside the page's own message.
    const SettingItem &item = SettingsTable::Item(invalid);
    std::string accepted;
    for (const auto *texts : {&item.options, &item.extraAccepted}) {
        for (const char *text : *texts) {
            accepted += (accepted.empty() ? "\"" : ", \"") + std::string(text) + "\"";
        }
    }
    const std::string cause = SettingsChange::ItemName(item) + ": \"" + settings_.text(invalid) + "\" is not one of " +
                              accepted + " (letter case counts)";
    link_.ui().ShowMessage("Please select the appropriate properties!", "Invalid Properties", MessageIcon::Exclamation,
                           cause);
    settings_.Clear();
    ShowSettings();
    return 0;
}

int SettingsPage::ApplySettings()
{
    UserInterface &ui = link_.ui();
    if (!ValidateLists()) {
        return 0;
    }
    if (!ConfirmChanges()) {
        return 0;
    }
    transfer_.copy() = SettingsCopy::From(settings_);

    InterfaceSettings &interface = interface_;
    bool resetInterface = false;
    int written = 0;
    PrinterAction action(link_, interface);
    if (action.Open()) {
        // A status that does not come is no reason to stop: the write checks again.
        if (action.CheckStatus(1, false) == PrinterAction::Status::Busy) {
            return 0;
        }
        const PrinterErrorCode result = transfer_.WriteSettings();
        if (result != ErrNone) {
            ReportPrinterError(result);
        } else {
            CarryInterfaceValues(settings_, interface);
            link_.Configure(interface);
            std::string message = "Change Settings Complete.\n";
            for (const auto &item : SettingsTable::Items()) {
                if (item.linkEffect != LinkEffect::None && !settings_.text(item.number).empty()) {
                    resetInterface = true;
                }
            }
            if (resetInterface) {
                message += "And please reset the communication parameter.";
            }
            ui.ShowMessage(message, "Complete", MessageIcon::None);
            written = 1;
            // What was written is now what the printer holds.
            for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
                if (!settings_.text(n).empty()) {
                    reported_.text(n) = settings_.text(n);
                }
            }
        }
    }
    // The maker's USB driver link stays open between actions.
    if (interface.portText == "ORNUSB") {
        action.KeepLinkOpen();
    }
    action.Finish();
    if (resetInterface) {
        ui.RunInterfaceProperties();
        CarryInterfaceValues(settings_, interface);
        link_.linkType = interface.linkType;
        // As whenever the dialog closes, the link's flow control follows it.
        link_.flowControl = interface.flowText;
    }
    if (written) {
        // The report now describes the printer as written, reached as the interface now stands.
        reportedWith_ = interface;
    }
    return written;
}

void SettingsPage::ReportPrinterError(PrinterErrorCode code)
{
    PrinterErrorReport::SettingsForm(link_, link_.ui(), code);
}

}  // namespace rollvane
