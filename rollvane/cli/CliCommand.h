#pragma once

// The CLI: rollvane-cli's commands over the same page logic as the desktop program.
// Error convention of the layer: the exit status is 0 when the action raised no warning or error,
// 1 when it raised a message box with the warning or stop icon, and 2 (kUsageError) for a usage
// error or interface settings the dialog refuses. Every message box becomes a "CAPTION: TEXT"
// record on standard error, followed by a "  cause: CAUSE" line when the failure has a cause.

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
    // Exit status 2 for a file that cannot be used, the reason said, without the pointer to
    // the help that a usage error gets.
    static constexpr int kBadFile = -2;
    // Exit status 1 without a message: a comparison found a difference.
    static constexpr int kDiffer = 1;

    virtual ~CliCommand() = default;

    virtual const char *name() const = 0;
    // The command's line in the usage text, e.g. "load-printer [-o FILE]".
    virtual const char *synopsis() const = 0;
    // What "rollvane-cli COMMAND --help" prints below the synopsis.
    virtual const char *help() const = 0;
    // The command's own options that take no value ("--dry-run"); every other option of the
    // command takes one, so the word after it is never read as a global option.
    virtual std::vector<std::string> flags() const { return {}; }
    // Runs the command with the arguments after its name. Returns 0, or kUsageError after
    // writing the reason to standard error. Message boxes the action raises go through
    // context.ui, which decides the final exit status from their icons.
    virtual int Run(CliContext &context, const std::vector<std::string> &args) = 0;

    // True when the command line asks for work on files alone: the command then runs through
    // RunOnFiles instead, without inifile.inf, the interface options or a printer link, so it
    // needs no printer set up.
    virtual bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const { return false; }
    virtual int RunOnFiles(TerminalUserInterface &, std::ostream &, std::ostream &, const std::vector<std::string> &)
    {
        return kUsageError;
    }
};

}  // namespace rollvane
