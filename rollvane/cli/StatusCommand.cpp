#include "rollvane/cli/StatusCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/link/PrinterAction.h"

#include <cstdio>

namespace rollvane {

const char *StatusCommand::help() const
{
    return "Opens the port, asks the printer for its status byte and prints it in hexadecimal (0x00 is\n"
           "ready). A busy printer (bit 3 set) is reported as \"Interface Busy\" and gives exit status 1.\n";
}

int StatusCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    if (!args.empty()) {
        context.errors << "rollvane-cli: status takes no arguments\n";
        return kUsageError;
    }
    PrinterAction action(context.window.link(), context.window.interfaceDialog().settings());
    if (!action.Open()) {
        return 0;
    }
    uint8_t status = 0xFF;
    if (action.CheckStatus(1, true, {}, &status) == PrinterAction::Status::NoAnswer) {
        return 0;
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", status);
    context.out << text << "\n";
    return 0;
}

}  // namespace rollvane
