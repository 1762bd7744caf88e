#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// print-config: the menu command "&Print Configurations".
class PrintConfigCommand final : public CliCommand {
public:
    const char *name() const override { return "print-config"; }
    const char *synopsis() const override { return "print-config"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
