#pragma once

#include "rollvane/cli/CliCommand.h"

#include <cstdint>

namespace rollvane {

// status: a status query, the status byte printed in hexadecimal with its meaning.
class StatusCommand final : public CliCommand {
public:
    const char *name() const override { return "status"; }
    const char *synopsis() const override { return "status [--raw]"; }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--raw"}; }
    // What the status byte says, as StatusMeaning::Text gives it for every command that prints one.
    static std::string Meaning(uint8_t status);
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
