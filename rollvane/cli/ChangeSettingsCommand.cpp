#include "rollvane/cli/ChangeSettingsCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/SettingsChangeJson.h"
#include "rollvane/cli/SettingsFileCheck.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/settings/SettingsFile.h"
#include "rollvane/settings/SettingsPage.h"

#include <optional>

namespace rollvane {

const char *ChangeSettingsCommand::help() const
{
    return "Loads FILE as \"Load File\" does, then writes it to the printer as \"Change Settings\" does.\n"
           "The file does not hold \"USB Select Type:\"; --usb-select-type gives its text.\n"
           "--dry-run reads the printer's settings first and prints, one line each, the items whose\n"
           "text differs from what the printer reported; nothing is written to the printer. With --json the\n"
           "result holds \"changes\": number, name, before (null when not reported) and after of each item.\n";
}

int ChangeSettingsCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    std::optional<std::string> file;
    std::optional<std::string> selectType;
    bool dryRun = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--usb-select-type" && i + 1 < args.size()) {
            selectType = args[++i];
        } else if (args[i].rfind("--usb-select-type=", 0) == 0) {
            selectType = args[i].substr(18);
        } else if (args[i] == "--dry-run") {
            dryRun = true;
        } else if (!file && args[i].rfind("--", 0) != 0) {
            file = args[i];
        } else {
            context.errors << "rollvane-cli: change-settings: unexpected argument " << args[i] << "\n";
            return kUsageError;
        }
    }
    if (!file) {
        context.errors << "rollvane-cli: change-settings needs a FILE\n";
        return kUsageError;
    }
    // The desktop program empties every text for a file without settings; a script that names
    // the wrong file must not have the printer restarted for nothing.
    if (!SettingsFileCheck::HoldsSettings(*file, name(), context.errors)) {
        return kUsageError;
    }
    SettingsPage &page = context.window.settingsPage();
    if (dryRun && !page.LoadFromPrinter()) {
        return 0;
    }
    context.ui.AnswerNextFileChoice(*file);
    if (!page.LoadFile()) {
        return 0;
    }
    if (selectType) {
        page.SetListText(SettingsTable::kUsbSelectItem, *selectType);
    }
    if (dryRun) {
        // Refused exactly as the real run would refuse it.
        if (!page.ValidateLists()) {
            return 0;
        }
        const auto changes = page.pendingChangeItems();
        if (JsonWriter *json = context.ui.json()) {
            json->Key("changes");
            SettingsChangeJson::Write(changes, *json);
            return 0;
        }
        for (const auto &change : changes) {
            context.out << change.Line() << "\n";
        }
        context.out << std::flush;
        return 0;
    }
    page.ApplySettings();
    return 0;
}

}  // namespace rollvane
