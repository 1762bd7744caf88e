#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// load-printer [-o FILE]: "Load Printer", the items written as a settings text file.
class LoadPrinterCommand final : public CliCommand {
public:
    const char *name() const override { return "load-printer"; }
    const char *synopsis() const override { return "load-printer [-o FILE]"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
