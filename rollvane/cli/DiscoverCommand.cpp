#include "rollvane/cli/DiscoverCommand.h"

namespace rollvane {

const char *DiscoverCommand::help() const
{
    return "Not built yet.\n";
}

int DiscoverCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int DiscoverCommand::RunOnFiles(TerminalUserInterface &, std::ostream &, std::ostream &errors,
                                const std::vector<std::string> &)
{
    errors << "rollvane-cli: discover is not built yet\n";
    return kUsageError;
}

}  // namespace rollvane
