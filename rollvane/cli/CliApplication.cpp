#include "rollvane/cli/CliApplication.h"

#include "platform/RealClock.h"
#include "platform/SystemError.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/CommandLine.h"
#include "rollvane/cli/CommandTable.h"
#include "rollvane/cli/DescriptorStream.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/PrinterLink.h"

namespace rollvane {

CliApplication::CliApplication(std::ostream &out, std::ostream &errors, bool errorsIsTerminal)
    : out_(out), errors_(errors), errorsIsTerminal_(errorsIsTerminal)
{}

void CliApplication::PrintUsage(std::ostream &to) const
{
    to << "Usage: rollvane-cli [interface options] COMMAND [command options]\n\n"
          "Runs one printer action of the Rollvane service tool from a shell. The interface settings\n"
          "come from inifile.inf in the current folder (read only), overridden for this run by:\n";
    for (const auto &option : CommandLine::InterfaceOptions()) {
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
    const CommandLine line = CommandLine::Parse(arguments);
    switch (line.kind()) {
    case CommandLine::Kind::Help:
        PrintUsage(out_);
        return 0;
    case CommandLine::Kind::UsageError:
        errors_ << "rollvane-cli: " << line.error() << "\n";
        if (line.error().rfind("--", 0) != 0) {
            PrintUsage(errors_);
        }
        return CliCommand::kUsageError;
    case CommandLine::Kind::CommandHelp:
    case CommandLine::Kind::Run:
        break;
    }
    CommandTable table;
    CliCommand *command = table.command(line.command());
    if (line.kind() == CommandLine::Kind::CommandHelp) {
        out_ << "Usage: rollvane-cli [interface options] " << command->synopsis() << "\n\n" << command->help();
        return 0;
    }

    TerminalUserInterface ui(errors_, errorsIsTerminal_);
    if (command->worksOnFilesOnly(line.commandArguments())) {
        return Finish(ui, command->RunOnFiles(ui, out_, errors_, line.commandArguments()));
    }
    platform::RealClock clock;
    MainWindow window(ui, clock);
    int traceError = 0;
    if (line.trace() && !window.link().trace().Enable(*line.trace(), &traceError)) {
        errors_ << "rollvane-cli: --trace: cannot open " << *line.trace() << ": "
                << platform::SystemError::Text(traceError) << "\n";
        return CliCommand::kUsageError;
    }
    InterfaceSettings &settings = window.interfaceDialog().settings();
    line.ApplyTo(settings);
    // The dialog's OK decides the link type and refuses serial settings it cannot use.
    if (!window.interfaceDialog().Accept(ui)) {
        return CliCommand::kUsageError;
    }
    window.link().linkType = settings.linkType;
    window.link().flowControl = settings.flowText;

    CliContext context{window, ui, out_, errors_};
    return Finish(ui, command->Run(context, line.commandArguments()));
}

int CliApplication::Finish(const TerminalUserInterface &ui, int result)
{
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
