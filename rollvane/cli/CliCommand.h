#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rollvane {

class MainWindow;
class TerminalUserInterface;

// What a command works with: the same page logic the desktop program has, a terminal in
// place of its windows, standard output for the command's own result and standard error for
// what it has to say about its command line.
struct CliContext {
    MainWindow &window;
    TerminalUserInterface &ui;
    std::ostream &out;
    std::ostream &errors;
};

// One command of rollvane-cli.
class CliCommand {
public:
    // The exit status of a command line that cannot be carried out as written.
    static constexpr int kUsageError = 2;

    virtual ~CliCommand() = default;

    virtual const char *name() const = 0;
    // The command's line in the usage text, e.g. "load-printer [-o FILE]".
    virtual const char *synopsis() const = 0;
    // What "rollvane-cli COMMAND --help" prints below the synopsis.
    virtual const char *help() const = 0;
    // Runs the command with the arguments after its name. Returns 0, or kUsageError after
    // writing the reason to standard error. Message boxes the action raises go through
    // context.ui, which decides the final exit status from their icons.
    virtual int Run(CliContext &context, const std::vector<std::string> &args) = 0;
};

}  // namespace rollvane
