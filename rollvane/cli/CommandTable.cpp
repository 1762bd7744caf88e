#include "rollvane/cli/CommandTable.h"

#include "rollvane/cli/ChangeSettingsCommand.h"
#include "rollvane/cli/DefineMessageCommand.h"
#include "rollvane/cli/DemoCheckCommand.h"
#include "rollvane/cli/DemoPrintCommand.h"
#include "rollvane/cli/DiffCommand.h"
#include "rollvane/cli/DiscoverCommand.h"
#include "rollvane/cli/DownloadImagesCommand.h"
#include "rollvane/cli/FleetCommand.h"
#include "rollvane/cli/LoadPrinterCommand.h"
#include "rollvane/cli/PrepareLogoCommand.h"
#include "rollvane/cli/PrintConfigCommand.h"
#include "rollvane/cli/PrintImageCommand.h"
#include "rollvane/cli/StatusCommand.h"
#include "rollvane/cli/TestPrintCommand.h"

namespace rollvane {

CommandTable::CommandTable()
{
    commands_.push_back(std::make_unique<StatusCommand>());
    commands_.push_back(std::make_unique<LoadPrinterCommand>());
    commands_.push_back(std::make_unique<ChangeSettingsCommand>());
    commands_.push_back(std::make_unique<PrintConfigCommand>());
    commands_.push_back(std::make_unique<DownloadImagesCommand>());
    commands_.push_back(std::make_unique<PrintImageCommand>());
    commands_.push_back(std::make_unique<DefineMessageCommand>());
    commands_.push_back(std::make_unique<PrepareLogoCommand>());
    commands_.push_back(std::make_unique<TestPrintCommand>());
    commands_.push_back(std::make_unique<DemoPrintCommand>());
    commands_.push_back(std::make_unique<DemoCheckCommand>());
    commands_.push_back(std::make_unique<DiffCommand>());
    commands_.push_back(std::make_unique<DiscoverCommand>());
    commands_.push_back(std::make_unique<FleetCommand>());
}

CliCommand *CommandTable::command(const std::string &name) const
{
    for (const auto &command : commands_) {
        if (name == command->name()) {
            return command.get();
        }
    }
    return nullptr;
}

}  // namespace rollvane
