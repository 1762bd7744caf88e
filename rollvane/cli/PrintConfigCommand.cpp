#include "rollvane/cli/PrintConfigCommand.h"

#include "rollvane/app/MainWindow.h"

namespace rollvane {

const char *PrintConfigCommand::help() const
{
    return "Prints the program's title line and the printer's own configuration printout, as the menu\n"
           "command \"Print Configurations\" does.\n";
}

int PrintConfigCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    if (!args.empty()) {
        context.errors << "rollvane-cli: print-config takes no arguments\n";
        return kUsageError;
    }
    context.window.PrintConfigurations();
    return 0;
}

}  // namespace rollvane
