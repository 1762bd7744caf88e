#include "rollvane/cli/CommandTable.h"

#include "rollvane/cli/StatusCommand.h"

namespace rollvane {

CommandTable::CommandTable()
{
    commands_.push_back(std::make_unique<StatusCommand>());
}

CliCommand *CommandTable::find(const std::string &name) const
{
    for (const auto &command : commands_) {
        if (name == command->Name()) {
            return command.get();
        }
    }
    return nullptr;
}

}  // namespace rollvane
