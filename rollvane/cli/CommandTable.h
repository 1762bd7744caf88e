#pragma once

#include "rollvane/cli/CliCommand.h"

#include <memory>
#include <string>
#include <vector>

namespace rollvane {

// Every command of rollvane-cli, in the order the usage text lists them.
class CommandTable {
public:
    CommandTable();

    const std::vector<std::unique_ptr<CliCommand>> &commands() const { return commands_; }
    // The command of that name, or nullptr.
    CliCommand *command(const std::string &name) const;

private:
    std::vector<std::unique_ptr<CliCommand>> commands_;
};

}  // namespace rollvane
