#include "rollvane/cli/CliApplication.h"

#include "platform/RealClock.h"
#include "platform/SystemError.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/CommandTable.h"
#include "rollvane/cli/DescriptorStream.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/NumberText.h"
#include "rollvane/link/PrinterLink.h"

#include <map>
#include <optional>

namespace rollvane {

namespace {

// The interface options and the text of InterfaceSettings each one sets (none for --ip, which
// the dialog's address field takes as a number).
struct InterfaceOption {
    const char *name;
    const char *argument;
    const char *help;
    std::string InterfaceSettings::*text;
};

const InterfaceOption kInterfaceOptions[] = {
    {"--port", "TEXT", "COM1 to COM20, LPT1, ORNUSB, \"Printer Class\" or LAN", &InterfaceSettings::portText},
    {"--ip", "A.B.C.D", "the printer's address (LAN)", nullptr},
    {"--baud", "N", "baud rate: 115200, 57600, 38400, 19200, 9600, 4800, 2400 or 1200", &InterfaceSettings::baudText},
    {"--parity", "TEXT", "NONE, ODD or EVEN", &InterfaceSettings::parityText},
    {"--data-bits", "N", "7 or 8", &InterfaceSettings::dataBitsText},
    {"--stop-bits", "N", "1 or 2", &InterfaceSettings::stopBitsText},
    {"--flow", "TEXT", "Xon/Xoff or DTR/DSR", &InterfaceSettings::flowText},
};

const InterfaceOption *FindInterfaceOption(const std::string &name)
{
    for (const auto &option : kInterfaceOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// --trace, --trace=FILE: every open, configure, close and block, as ROLLVANE_TRACE does.
const char kTraceOption[] = "--trace";

bool IsHelp(const std::string &argument)
{
    return argument == "--help" || argument == "-h";
}

}  // namespace

CliApplication::CliApplication(std::ostream &out, std::ostream &errors, bool errorsIsTerminal)
    : out_(out), errors_(errors), errorsIsTerminal_(errorsIsTerminal)
{}

void CliApplication::PrintUsage(std::ostream &to) const
{
    to << "Usage: rollvane-cli [interface options] COMMAND [command options]\n\n"
          "Runs one printer action of the Rollvane service tool from a shell. The interface settings\n"
          "come from inifile.inf in the current folder (read only), overridden for this run by:\n";
    for (const auto &option : kInterfaceOptions) {
        std::string left = std::string("  ") + option.name + " " + option.argument;
        to << left << std::string(left.size() < 22 ? 22 - left.size() : 1, ' ') << option.help << "\n";
    }
    to << "and the global option:\n"
          "  --trace[=FILE]      every open, configure, close and block sent or received, on standard\n"
          "                      error or appended to FILE (as ROLLVANE_TRACE=1 or ROLLVANE_TRACE=FILE)\n";
    to << "\nCommands:\n";
    CommandTable table;
    for (const auto &command : table.commands()) {
        to << "  " << command->synopsis() << "\n";
    }
    to << "\n\"rollvane-cli COMMAND --help\" describes a command. Every message the action raises is written\n"
          "to standard error as \"CAPTION: TEXT\". Exit status: 0 when no warning or error was raised, 1 when\n"
          "one was, 2 for a usage error or interface settings the Interface Properties dialog would refuse.\n";
}

int CliApplication::Run(const std::vector<std::string> &arguments)
{
    std::map<std::string, std::string> overrides;
    std::optional<std::string> trace;
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (IsHelp(argument)) {
            PrintUsage(out_);
            return 0;
        }
        if (argument.rfind("--", 0) != 0) {
            break;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name == kTraceOption) {
            trace = value.value_or("-");
            continue;
        }
        if (!FindInterfaceOption(name)) {
            errors_ << "rollvane-cli: unknown option " << name << "\n";
            PrintUsage(errors_);
            return CliCommand::kUsageError;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                errors_ << "rollvane-cli: " << name << " needs a value\n";
                return CliCommand::kUsageError;
            }
            value = arguments[++i];
        }
        overrides[name] = *value;
    }
    if (i >= arguments.size()) {
        errors_ << "rollvane-cli: no command given\n";
        PrintUsage(errors_);
        return CliCommand::kUsageError;
    }

    CommandTable table;
    CliCommand *command = table.command(arguments[i]);
    if (!command) {
        errors_ << "rollvane-cli: unknown command " << arguments[i] << "\n";
        PrintUsage(errors_);
        return CliCommand::kUsageError;
    }
    const std::vector<std::string> commandArguments(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                    arguments.end());
    for (const auto &argument : commandArguments) {
        if (IsHelp(argument)) {
            out_ << "Usage: rollvane-cli [interface options] " << command->synopsis() << "\n\n" << command->help();
            return 0;
        }
    }

    TerminalUserInterface ui(errors_, errorsIsTerminal_);
    platform::RealClock clock;
    MainWindow window(ui, clock);
    int traceError = 0;
    if (trace && !window.link().trace().Enable(*trace, &traceError)) {
        errors_ << "rollvane-cli: --trace: cannot open " << *trace << ": " << platform::SystemError::Text(traceError)
                << "\n";
        return CliCommand::kUsageError;
    }
    InterfaceSettings &settings = window.interfaceDialog().settings();
    if (auto ip = overrides.find("--ip"); ip != overrides.end()) {
        uint32_t address = 0;
        if (!NumberText::DottedQuadValue(ip->second, &address)) {
            errors_ << "rollvane-cli: --ip needs four decimal numbers from 0 to 255 joined by points, such as "
                       "192.168.1.10 (leading zeros count as decimal): "
                    << ip->second << "\n";
            return CliCommand::kUsageError;
        }
        window.interfaceDialog().SetIpAddress(address);
    }
    for (const auto &option : kInterfaceOptions) {
        if (auto found = overrides.find(option.name); found != overrides.end() && option.text) {
            settings.*option.text = found->second;
        }
    }
    // The dialog's OK decides the link type and refuses serial settings it cannot use.
    if (!window.interfaceDialog().Accept(ui)) {
        return CliCommand::kUsageError;
    }
    window.link().linkType = settings.linkType;
    window.link().flowControl = settings.flowText;

    CliContext context{window, ui, out_, errors_};
    const int result = command->Run(context, commandArguments);
    // A result that did not reach standard output (a full disk, a closed pipe) is a failure.
    out_.flush();
    if (!out_) {
        const auto *stream = dynamic_cast<const DescriptorStream *>(&out_);
        const int error = stream ? stream->error() : 0;
        errors_ << "rollvane-cli: cannot write the standard output: "
                << (error != 0 ? platform::SystemError::Text(error) : std::string("write error")) << "\n";
        return 1;
    }
    if (result == CliCommand::kUsageError) {
        return result;
    }
    return ui.raisedWarning() ? 1 : 0;
}

}  // namespace rollvane
