#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rollvane {

struct InterfaceSettings;

// rollvane-cli's command line, read without acting on it:
//   [global options] COMMAND [command arguments]
// Global options are the interface options --port, --ip, --baud, --parity, --data-bits,
// --stop-bits and --flow, each as "--name value" or "--name=value" (the last of a name counts),
// and --trace[=FILE], --json, --quiet, --verbose and --version. They may also stand among the
// command's arguments, except as the value of one of the command's own options.
class CommandLine {
public:
    enum class Kind {
        Run,          // run command with its arguments
        Help,         // --help or -h before the command: the program's usage
        CommandHelp,  // --help or -h among the command's arguments
        Version,      // --version
        UsageError,   // error says why
    };
    enum class Verbosity {
        Quiet,
        Normal,
        Verbose,
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

    // --ip gave a host name rather than an address: the name, resolved by the caller before the
    // action; empty otherwise.
    const std::string &hostName() const { return hostName_; }
    void SetAddress(uint32_t address) { address_ = address; }

    Kind kind() const { return kind_; }
    const std::string &error() const { return error_; }
    // The command named, also for a usage error found among its arguments (else empty).
    const std::string &command() const { return command_; }
    const std::vector<std::string> &commandArguments() const { return commandArguments_; }
    // --trace: "-" for standard error, else the file.
    const std::optional<std::string> &trace() const { return trace_; }
    bool json() const { return json_; }
    Verbosity verbosity() const { return verbosity_; }
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
    std::string hostName_;
    bool json_ = false;
    Verbosity verbosity_ = Verbosity::Normal;
};

}  // namespace rollvane
