#include "rollvane/cli/StatusCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/ResultJson.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/StatusMeaning.h"

namespace rollvane {

const char *StatusCommand::help() const
{
    return "Opens the port, asks the printer for its status byte and prints it in hexadecimal with its\n"
           "meaning: \"0x00 ready\", \"0x08 busy: check the printer\" (bit 3 set), \"0xFF busy: no status\";\n"
           "other bits are shown after \"ready\". --raw prints the byte alone (\"0x00\"). A busy printer is\n"
           "reported as \"Interface Busy\" and gives exit status 1.\n";
}

int StatusCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    const bool raw = args.size() == 1 && args[0] == "--raw";
    if (!args.empty() && !raw) {
        context.errors << "rollvane-cli: status takes only --raw, not " << args[0] << "\n";
        return kUsageError;
    }
    JsonWriter *json = context.ui.json();
    if (json) {
        json->Key("status");
    }
    PrinterAction action(context.window.link(), context.window.interfaceDialog().settings());
    uint8_t status = 0xFF;
    if (!action.Open() || action.CheckStatus(1, true, {}, &status) == PrinterAction::Status::NoAnswer) {
        if (json) {
            json->Null();
        }
        return 0;
    }
    if (json) {
        json->BeginObject();
        ResultJson::StatusFields(*json, status);
        json->EndObject();
    } else {
        context.out << (raw ? StatusMeaning::Hex(status) : StatusMeaning::Line(status)) << "\n";
    }
    return 0;
}

}  // namespace rollvane
