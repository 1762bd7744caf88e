#include "rollvane/cli/DemoPrintCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/printouts/DemoPage.h"

namespace rollvane {

const char *DemoPrintCommand::help() const
{
    return "Prints demo pattern N (1, 2 or 3) as \"Print Demo Pattern N\" does: DemoN.txt from the current\n"
           "folder, translated from its command text and sent to the printer as one block. A file with a\n"
           "syntax error sends an empty block, as the page does; \"demo-check FILE\" says where the error is.\n";
}

int DemoPrintCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    if (args.size() != 1 || (args[0] != "1" && args[0] != "2" && args[0] != "3")) {
        context.errors << "rollvane-cli: demo-print needs one pattern number, 1, 2 or 3\n";
        return kUsageError;
    }
    context.window.demoPage().PrintDemoPattern(args[0][0] - '0');
    return 0;
}

}  // namespace rollvane
