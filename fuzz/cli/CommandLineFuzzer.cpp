// Any argument list (the input split at zero bytes) read as rollvane-cli's command line:
// nothing may crash, and a line read as runnable names a command and keeps every option value.
#include "rollvane/cli/CommandLine.h"
#include "rollvane/link/InterfaceSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    const rollvane::CommandLine line = rollvane::CommandLine::Parse(arguments);
    if (line.kind() == rollvane::CommandLine::Kind::UsageError) {
        if (line.error().empty()) {
            std::abort();
        }
        return 0;
    }
    if (line.kind() == rollvane::CommandLine::Kind::Run && line.command().empty()) {
        std::abort();
    }
    rollvane::InterfaceSettings settings;
    line.ApplyTo(settings);
    // The last --port given is the port.
    for (auto option = line.options().rbegin(); option != line.options().rend(); ++option) {
        if (option->first == "--port") {
            if (settings.portText != option->second) {
                std::abort();
            }
            break;
        }
    }
    return 0;
}
