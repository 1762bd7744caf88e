#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// status: a status query, the status byte printed in hexadecimal with its meaning.
class StatusCommand final : public CliCommand {
public:
    const char *name() const override { return "status"; }
    const char *synopsis() const override { return "status [--raw]"; }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--raw"}; }
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
