#include "rollvane/cli/LoadPrinterCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/settings/SettingsChange.h"
#include "rollvane/settings/SettingsFile.h"
#include "rollvane/settings/SettingsPage.h"

#include <optional>

namespace rollvane {

const char *LoadPrinterCommand::help() const
{
    return "Reads the printer's stored configuration as \"Load Printer\" does and writes items 1 to 37 as a\n"
           "settings text file: to FILE with -o (as \"Save File\" does), else to standard output. With --json\n"
           "the result holds \"items\": the 38 items, each with its number, name and value text.\n";
}

int LoadPrinterCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    std::optional<std::string> file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size() && !file) {
            file = args[++i];
        } else {
            context.errors << "rollvane-cli: load-printer: unexpected argument " << args[i] << "\n";
            return kUsageError;
        }
    }
    SettingsPage &page = context.window.settingsPage();
    JsonWriter *json = context.ui.json();
    if (json) {
        json->Key("items");
    }
    if (!page.LoadFromPrinter()) {
        if (json) {
            json->Null();
        }
        return 0;
    }
    if (json) {
        json->BeginArray();
        for (const auto &item : SettingsTable::Items()) {
            json->BeginObject();
            json->Key("number");
            json->Number(item.number);
            json->Key("name");
            json->String(SettingsChange::ItemName(item));
            json->Key("value");
            json->String(page.listText(item.number));
            json->EndObject();
        }
        json->EndArray();
    }
    if (file) {
        context.ui.AnswerNextFileChoice(*file);
        page.SaveFile();
    } else if (!json) {
        PrinterSettings shown;
        for (int n = 1; n <= SettingsTable::kItemCount; ++n) {
            shown.text(n) = page.listText(n);
        }
        context.out << SettingsFile::Format(shown) << std::flush;
    }
    return 0;
}

}  // namespace rollvane
