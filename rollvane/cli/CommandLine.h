#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rollvane {

struct InterfaceSettings;

// rollvane-cli's command line, read without acting on it:
//   [interface options] [--trace[=FILE]] COMMAND [command arguments]
// Interface options are --port, --ip, --baud, --parity, --data-bits, --stop-bits and --flow,
// each as "--name value" or "--name=value"; the last of a name counts.
class CommandLine {
public:
    enum class Kind {
        Run,          // run command with its arguments
        Help,         // --help or -h before the command: the program's usage
        CommandHelp,  // --help or -h among the command's arguments
        UsageError,   // error says why
    };

    // One interface option: its name, the argument it takes and what it is for.
    struct OptionHelp {
        const char *name;
        const char *argument;
        const char *help;
    };
    static const std::vector<OptionHelp> &InterfaceOptions();

    static CommandLine Parse(const std::vector<std::string> &arguments);

    // Puts the interface options given into settings: the texts as typed, the address as the
    // Interface Properties dialog's address field would give it.
    void ApplyTo(InterfaceSettings &settings) const;

    Kind kind() const { return kind_; }
    const std::string &error() const { return error_; }
    const std::string &command() const { return command_; }
    const std::vector<std::string> &commandArguments() const { return commandArguments_; }
    // --trace: "-" for standard error, else the file.
    const std::optional<std::string> &trace() const { return trace_; }
    // The options in the order given, as (name, value).
    const std::vector<std::pair<std::string, std::string>> &options() const { return options_; }

private:
    Kind kind_ = Kind::UsageError;
    std::string error_;
    std::string command_;
    std::vector<std::string> commandArguments_;
    std::optional<std::string> trace_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::optional<uint32_t> address_;
};

}  // namespace rollvane
