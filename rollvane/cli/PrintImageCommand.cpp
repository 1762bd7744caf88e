#include "rollvane/cli/PrintImageCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/graphics/BitImagePage.h"

namespace rollvane {

const char *PrintImageCommand::help() const
{
    return "Prints the bit image stored under ID (0 to 255) as \"Print the Selected BMP\" does: the image,\n"
           "three feeds of 8 lines and a cut.\n";
}

int PrintImageCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    if (args.empty()) {
        context.errors << "rollvane-cli: print-image needs an ID\n";
        return kUsageError;
    }
    if (args.size() > 1) {
        context.errors << "rollvane-cli: print-image: unexpected argument " << args[1] << "\n";
        return kUsageError;
    }
    BitImagePage page(context.window.link(), context.window.interfaceDialog().settings());
    page.printIdText = args[0];
    page.PrintSelected();
    return 0;
}

}  // namespace rollvane
