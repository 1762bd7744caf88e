#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rollvane {

class CommandLine;
class JsonWriter;
class TerminalUserInterface;

// rollvane-cli [global options] COMMAND [command options]
// Reads inifile.inf from the current folder as the desktop program does (and never writes
// it), lets the interface options override it for this run, applies the Interface
// Properties dialog's OK rule and runs the command.
class CliApplication {
public:
    CliApplication(std::ostream &out, std::ostream &errors, bool errorsIsTerminal);

    // The exit status: 0 when no message with a warning or stop icon was raised, 1 when one
    // was, 2 for a usage error or interface settings the dialog would refuse.
    int Run(const std::vector<std::string> &arguments);

    void PrintUsage(std::ostream &to) const;

private:
    // A command line that cannot be carried out: the reason and where the help is, one line
    // each (with --json also the result object).
    int UsageError(const CommandLine &line, const std::string &why);
    // The exit status of a command that returned result; with --json, json (which the command
    // filled) completed and written with the command's own output, its usage error and the messages.
    int Finish(const TerminalUserInterface &ui, int result, JsonWriter *json, const std::string &output,
               const std::string &usageError);

    std::ostream &out_;
    std::ostream &errors_;
    bool errorsIsTerminal_;
};

}  // namespace rollvane
