#include "rollvane/cli/CommandLine.h"

#include "rollvane/cli/CommandTable.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/NumberText.h"

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
        {{"--ip", "A.B.C.D", "the printer's address (LAN)"}, nullptr},
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
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (IsHelp(argument)) {
            line.kind_ = Kind::Help;
            return line;
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
            line.trace_ = value.value_or("-");
            continue;
        }
        if (!FindOption(name)) {
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
            if (!NumberText::DottedQuadValue(*value, &address)) {
                return refuse("--ip needs four decimal numbers from 0 to 255 joined by points, such as 192.168.1.10 "
                              "(leading zeros count as decimal): " +
                              *value);
            }
            line.address_ = address;
        }
        line.options_.emplace_back(name, *value);
    }
    if (i >= arguments.size()) {
        return refuse("no command given");
    }
    line.command_ = arguments[i];
    if (!CommandTable().command(line.command_)) {
        return refuse("unknown command " + line.command_);
    }
    line.commandArguments_.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
    line.kind_ = Kind::Run;
    for (const auto &argument : line.commandArguments_) {
        if (IsHelp(argument)) {
            line.kind_ = Kind::CommandHelp;
        }
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
