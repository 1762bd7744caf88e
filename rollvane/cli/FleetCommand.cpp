#include "rollvane/cli/FleetCommand.h"

namespace rollvane {

const char *FleetCommand::help() const
{
    return "Not built yet.\n";
}

int FleetCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int FleetCommand::RunOnFiles(TerminalUserInterface &, std::ostream &, std::ostream &errors,
                             const std::vector<std::string> &)
{
    errors << "rollvane-cli: fleet is not built yet\n";
    return kUsageError;
}

}  // namespace rollvane
