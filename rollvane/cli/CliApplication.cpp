#include "rollvane/cli/CliApplication.h"

#include "platform/RealClock.h"
#include "platform/SystemError.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/CommandLine.h"
#include "rollvane/cli/CommandTable.h"
#include "rollvane/cli/DescriptorStream.h"
#include "rollvane/cli/HostAddress.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/ResultJson.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/link/PrinterLink.h"

#include <sstream>

namespace rollvane {

namespace {

TerminalUserInterface::Verbosity VerbosityOf(const CommandLine &line)
{
    switch (line.verbosity()) {
    case CommandLine::Verbosity::Quiet:
        return TerminalUserInterface::Verbosity::Quiet;
    case CommandLine::Verbosity::Verbose:
        return TerminalUserInterface::Verbosity::Verbose;
    case CommandLine::Verbosity::Normal:
        break;
    }
    return TerminalUserInterface::Verbosity::Normal;
}

}  // namespace

CliApplication::CliApplication(std::ostream &out, std::ostream &errors, bool errorsIsTerminal)
    : out_(out), errors_(errors), errorsIsTerminal_(errorsIsTerminal)
{}

void CliApplication::PrintUsage(std::ostream &to) const
{
    to << "Usage: rollvane-cli [global options] COMMAND [command options]\n\n"
          "Runs one printer action of the Rollvane service tool from a shell. The interface settings\n"
          "come from inifile.inf in the current folder (read only), overridden for this run by:\n";
    for (const auto &option : CommandLine::InterfaceOptions()) {
        std::string left = std::string("  ") + option.name + " " + option.argument;
        to << left << std::string(left.size() < 22 ? 22 - left.size() : 1, ' ') << option.help << "\n";
    }
    to << "and the global options, which may also follow the command:\n"
          "  --trace[=FILE]      every open, configure, close and block sent or received, on standard\n"
          "                      error or appended to FILE (as ROLLVANE_TRACE=1 or ROLLVANE_TRACE=FILE)\n"
          "  --json              one JSON object on standard output: the command's result, its output,\n"
          "                      \"messages\" (caption, text, icon, cause) and \"exitCode\"; no progress bar\n"
          "  --quiet             warnings and errors only, without cause lines; no progress bar\n"
          "  --verbose           also a trace summary of the blocks sent and received\n"
          "  --version           the program's version\n";
    to << "\nCommands:\n";
    CommandTable table;
    for (const auto &command : table.commands()) {
        to << "  " << command->synopsis() << "\n";
    }
    to << "\n\"rollvane-cli COMMAND --help\" describes a command. Every message the action raises is written\n"
          "to standard error as \"CAPTION: TEXT\". Exit status: 0 when no warning or error was raised, 1 when\n"
          "one was, 2 for a usage error or interface settings the Interface Properties dialog would refuse.\n";
}

int CliApplication::UsageError(const CommandLine &line, const std::string &why)
{
    errors_ << "rollvane-cli: " << why << "\n"
            << "see rollvane-cli --help\n";
    if (line.json()) {
        JsonWriter json;
        json.BeginObject();
        json.Key("command");
        line.command().empty() ? json.Null() : json.String(line.command());
        TerminalUserInterface none(errors_, false);
        return Finish(none, CliCommand::kUsageError, &json, {}, why);
    }
    return CliCommand::kUsageError;
}

int CliApplication::Run(const std::vector<std::string> &arguments)
{
    CommandLine line = CommandLine::Parse(arguments);
    switch (line.kind()) {
    case CommandLine::Kind::Help:
        PrintUsage(out_);
        return 0;
    case CommandLine::Kind::Version:
        out_ << "rollvane-cli " << ROLLVANE_VERSION << "\n" << std::flush;
        return 0;
    case CommandLine::Kind::UsageError:
        return UsageError(line, line.error());
    case CommandLine::Kind::CommandHelp:
    case CommandLine::Kind::Run:
        break;
    }
    CommandTable table;
    CliCommand *command = table.command(line.command());
    if (line.kind() == CommandLine::Kind::CommandHelp) {
        out_ << "Usage: rollvane-cli [global options] " << command->synopsis() << "\n\n" << command->help();
        return 0;
    }

    TerminalUserInterface ui(errors_, errorsIsTerminal_, VerbosityOf(line));
    JsonWriter json;
    if (line.json()) {
        json.BeginObject();
        json.Key("command");
        json.String(line.command());
        ui.SetJson(&json);
    }
    // With --json the command's own output goes into the object; a usage error also gets its help line.
    std::ostringstream captured;
    std::ostream &out = line.json() ? captured : out_;
    std::ostringstream commandErrors;
    const auto finish = [&](int result) {
        std::string usageError = commandErrors.str();
        errors_ << usageError;
        if (result == CliCommand::kUsageError && !usageError.empty()) {
            errors_ << "see rollvane-cli " << line.command() << " --help\n";
        }
        // The JSON "error" is the reason alone, whatever the exit status it came with.
        while (!usageError.empty() && usageError.back() == '\n') {
            usageError.pop_back();
        }
        const std::string prefix = "rollvane-cli: ";
        usageError.erase(0, usageError.rfind(prefix, 0) == 0 ? prefix.size() : 0);
        return Finish(ui, result, line.json() ? &json : nullptr, captured.str(), usageError);
    };
    if (command->worksOnFilesOnly(line.commandArguments())) {
        return finish(command->RunOnFiles(ui, out, commandErrors, line.commandArguments()));
    }
    if (!line.hostName().empty()) {
        uint32_t address = 0;
        std::string error;
        if (!HostAddress::Resolve(line.hostName(), &address, &error)) {
            return UsageError(line, "--ip " + line.hostName() + ": " + error);
        }
        line.SetAddress(address);
    }
    platform::RealClock clock;
    MainWindow window(ui, clock);
    int traceError = 0;
    if (line.trace() && !window.link().trace().Enable(*line.trace(), &traceError)) {
        return UsageError(line,
                          "--trace: cannot open " + *line.trace() + ": " + platform::SystemError::Text(traceError));
    }
    InterfaceSettings &settings = window.interfaceDialog().settings();
    line.ApplyTo(settings);
    // The dialog's OK decides the link type and refuses serial settings it cannot use.
    if (!window.interfaceDialog().Accept(ui)) {
        return finish(CliCommand::kUsageError);
    }
    window.link().linkType = settings.linkType;
    window.link().flowControl = settings.flowText;

    CliContext context{window, ui, out, commandErrors};
    const int result = command->Run(context, line.commandArguments());
    if (line.verbosity() == CommandLine::Verbosity::Verbose) {
        errors_ << "trace: " << window.link().journal().Summary() << "\n";
    }
    return finish(result);
}

int CliApplication::Finish(const TerminalUserInterface &ui, int result, JsonWriter *json, const std::string &output,
                           const std::string &usageError)
{
    const int exitCode = result == CliCommand::kUsageError || result == CliCommand::kBadFile ? CliCommand::kUsageError
                         : ui.raisedWarning()                                                ? 1
                                                                                             : result;
    if (json) {
        if (!output.empty()) {
            json->Key("output");
            json->String(output);
        }
        if (!usageError.empty()) {
            json->Key("error");
            json->String(usageError);
        }
        json->Key("messages");
        json->BeginArray();
        for (const auto &message : ui.messages()) {
            ResultJson::Message(*json, message.caption, message.text, IconName(message.icon), message.cause);
        }
        json->EndArray();
        json->Key("exitCode");
        json->Number(exitCode);
        json->EndObject();
        out_ << json->text() << "\n";
    }
    // A result that did not reach standard output (a full disk, a closed pipe) is a failure.
    out_.flush();
    if (!out_) {
        const auto *stream = dynamic_cast<const DescriptorStream *>(&out_);
        const int error = stream ? stream->error() : 0;
        errors_ << "rollvane-cli: cannot write the standard output: "
                << (error != 0 ? platform::SystemError::Text(error) : std::string("write error")) << "\n";
        return 1;
    }
    return exitCode;
}

}  // namespace rollvane
