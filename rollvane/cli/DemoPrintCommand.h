#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// demo-print N: "Print Demo Pattern N" with DemoN.txt from the current folder.
class DemoPrintCommand final : public CliCommand {
public:
    const char *name() const override { return "demo-print"; }
    const char *synopsis() const override { return "demo-print N"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
