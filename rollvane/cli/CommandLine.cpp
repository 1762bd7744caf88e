#include "rollvane/cli/CommandLine.h"

#include "rollvane/cli/CommandTable.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/NumberText.h"

#include <algorithm>
#include <arpa/inet.h>
#include <functional>

namespace rollvane {

namespace {

// The interface options and the text of InterfaceSettings each one sets (none for --ip, which
// the dialog's address field takes as a number).
struct InterfaceOption {
    CommandLine::OptionHelp help;
    std::string InterfaceSettings::*text;
};

const std::vector<InterfaceOption> &Options()
{
    static const std::vector<InterfaceOption> options = {
        {{"--port", "TEXT", "COM1 to COM20, LPT1, ORNUSB, \"Printer Class\" or LAN"}, &InterfaceSettings::portText},
        {{"--ip", "A.B.C.D|HOST", "the printer's address or host name (LAN), looked up once before the action"},
         nullptr},
        {{"--baud", "N", "baud rate: 115200, 57600, 38400, 19200, 9600, 4800, 2400 or 1200"},
         &InterfaceSettings::baudText},
        {{"--parity", "TEXT", "NONE, ODD or EVEN"}, &InterfaceSettings::parityText},
        {{"--data-bits", "N", "7 or 8"}, &InterfaceSettings::dataBitsText},
        {{"--stop-bits", "N", "1 or 2"}, &InterfaceSettings::stopBitsText},
        {{"--flow", "TEXT", "Xon/Xoff or DTR/DSR"}, &InterfaceSettings::flowText},
    };
    return options;
}

const InterfaceOption *FindOption(const std::string &name)
{
    for (const auto &option : Options()) {
        if (name == option.help.name) {
            return &option;
        }
    }
    return nullptr;
}

bool IsHelp(const std::string &argument)
{
    return argument == "--help" || argument == "-h";
}

const char kTraceOption[] = "--trace";

// Digits and points only, or a number form the C library would read as an address
// ("0x7f000001"): meant as an address, never looked up as a name.
bool LooksLikeAnAddress(const std::string &text)
{
    in_addr parsed{};
    return text.find_first_not_of("0123456789.") == std::string::npos || inet_aton(text.c_str(), &parsed) != 0;
}

}  // namespace

const std::vector<CommandLine::OptionHelp> &CommandLine::InterfaceOptions()
{
    static const std::vector<OptionHelp> help = [] {
        std::vector<OptionHelp> all;
        for (const auto &option : Options()) {
            all.push_back(option.help);
        }
        return all;
    }();
    return help;
}

CommandLine CommandLine::Parse(const std::vector<std::string> &arguments)
{
    CommandLine line;
    auto refuse = [&line](std::string why) {
        line.kind_ = Kind::UsageError;
        line.error_ = std::move(why);
        return line;
    };
    const CommandTable table;
    const CliCommand *command = nullptr;
    bool help = false;
    bool version = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        // After the command, a word that follows one of its options that takes a value is that value.
        if (command && !line.commandArguments_.empty()) {
            const std::string &previous = line.commandArguments_.back();
            const auto flags = command->flags();
            if (previous.size() > 1 && previous[0] == '-' && previous.find('=') == std::string::npos &&
                !IsHelp(previous) && std::find(flags.begin(), flags.end(), previous) == flags.end()) {
                line.commandArguments_.push_back(argument);
                continue;
            }
        }
        if (IsHelp(argument)) {
            if (!command) {
                help = true;
            } else {
                line.commandArguments_.push_back(argument);
            }
            continue;
        }
        if (argument.rfind("--", 0) != 0) {
            if (command) {
                line.commandArguments_.push_back(argument);
                continue;
            }
            command = table.command(argument);
            line.command_ = argument;
            if (!command) {
                line.command_.clear();
                return refuse("unknown command " + argument);
            }
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name == kTraceOption) {
            line.trace_ = value.value_or("-");
            continue;
        }
        const std::pair<const char *, std::function<void()>> flags[] = {
            {"--json", [&line] { line.json_ = true; }},
            {"--quiet", [&line] { line.verbosity_ = Verbosity::Quiet; }},
            {"--verbose", [&line] { line.verbosity_ = Verbosity::Verbose; }},
            {"--version", [&version] { version = true; }},
        };
        bool flag = false;
        for (const auto &[flagName, set] : flags) {
            if (name == flagName && !value) {
                set();
                flag = true;
            }
        }
        if (flag) {
            continue;
        }
        if (!FindOption(name)) {
            if (command) {
                line.commandArguments_.push_back(argument);
                continue;
            }
            return refuse("unknown option " + name);
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                return refuse(name + " needs a value");
            }
            value = arguments[++i];
        }
        if (name == "--ip") {
            uint32_t address = 0;
            if (NumberText::DottedQuadValue(*value, &address)) {
                line.address_ = address;
                line.hostName_.clear();
            } else if (LooksLikeAnAddress(*value)) {
                return refuse("--ip needs four decimal numbers from 0 to 255 joined by points, such as 192.168.1.10 "
                              "(leading zeros count as decimal), or a host name: " +
                              *value);
            } else {
                line.hostName_ = *value;
            }
        }
        line.options_.emplace_back(name, *value);
    }
    if (version) {
        line.kind_ = Kind::Version;
        return line;
    }
    if (help && !command) {
        line.kind_ = Kind::Help;
        return line;
    }
    if (!command) {
        return refuse("no command given");
    }
    line.kind_ = Kind::Run;
    for (const auto &argument : line.commandArguments_) {
        if (IsHelp(argument)) {
            line.kind_ = Kind::CommandHelp;
        }
    }
    if (help) {
        line.kind_ = Kind::CommandHelp;
    }
    return line;
}

void CommandLine::ApplyTo(InterfaceSettings &settings) const
{
    if (address_) {
        settings.ipAddress = *address_;
        settings.ipText = NumberText::UnsignedText(*address_);
    }
    for (const auto &[name, value] : options_) {
        if (const InterfaceOption *option = FindOption(name); option && option->text) {
            settings.*option->text = value;
        }
    }
}

}  // namespace rollvane
