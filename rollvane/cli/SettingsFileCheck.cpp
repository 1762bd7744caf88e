#include "rollvane/cli/SettingsFileCheck.h"

#include "platform/InputFile.h"
#include "platform/RealClock.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsFile.h"
#include "rollvane/settings/SettingsPage.h"

namespace rollvane {

bool SettingsFileCheck::HoldsSettings(const std::string &file, const std::string &command, std::ostream &errors)
{
    // A file that cannot be read is left to "Load File", which says why.
    std::string content;
    int error = 0;
    if (platform::InputFile::Read(file, SettingsFile::kMaxFileBytes, &content, &error) &&
        !SettingsFile::HoldsSettings(content)) {
        errors << "rollvane-cli: " << command << ": " << file << " holds no printer settings (no ["
               << SettingsTable::kFileSection << "] section with an item)\n";
        return false;
    }
    return true;
}

bool SettingsFileCheck::LoadsOnPage(const std::string &file, TerminalUserInterface &ui)
{
    // The page opens no port for these two buttons; the link only carries the messages.
    platform::RealClock clock;
    PrinterLink link(ui, clock);
    InterfaceSettings interface;
    SettingsPage page(link, interface);
    ui.AnswerNextFileChoice(file);
    return page.LoadFile() != 0 && page.ValidateLists() != 0;
}

}  // namespace rollvane
