#include "rollvane/cli/DiffCommand.h"

#include "platform/InputFile.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/SettingsChangeJson.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/settings/SettingsChange.h"
#include "rollvane/settings/SettingsFile.h"

namespace rollvane {

const char *DiffCommand::help() const
{
    return "Compares two settings files as \"Save File\" writes them, item by item, and prints each item\n"
           "whose text differs in the form change-settings --dry-run uses: Knife: \"Enabled\" -> \"Disabled\".\n"
           "Exit status 0 when they hold the same settings, 1 when they differ, 2 when a file cannot be read\n"
           "or holds no settings. Needs no printer and no inifile.inf.\n";
}

int DiffCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int DiffCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                            const std::vector<std::string> &args)
{
    if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
        errors << "rollvane-cli: diff needs two settings files, A.txt and B.txt\n";
        return kUsageError;
    }
    PrinterSettings settings[2];
    for (int n = 0; n < 2; ++n) {
        std::string content;
        int error = 0;
        if (!platform::InputFile::Read(args[n], SettingsFile::kMaxFileBytes, &content, &error)) {
            errors << "rollvane-cli: diff: " << args[n] << ": "
                   << platform::InputFile::FailureText(error, SettingsFile::kMaxFileBytes) << "\n";
            return kBadFile;
        }
        if (!SettingsFile::HoldsSettings(content)) {
            errors << "rollvane-cli: diff: " << args[n] << " holds no printer settings (no ["
                   << SettingsTable::kFileSection << "] section with an item)\n";
            return kBadFile;
        }
        SettingsFile::Parse(content, settings[n]);
    }
    const auto changes = SettingsChange::Between(settings[0], settings[1], SettingsChange::Scope::Stored);
    if (JsonWriter *json = ui.json()) {
        json->Key("changes");
        SettingsChangeJson::Write(changes, *json);
    } else {
        for (const auto &change : changes) {
            out << change.Line() << "\n";
        }
    }
    return changes.empty() ? 0 : kDiffer;
}

}  // namespace rollvane
