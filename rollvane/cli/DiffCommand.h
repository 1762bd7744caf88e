#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// diff A.txt B.txt: two saved settings files compared item by item, as --dry-run lists changes.
class DiffCommand final : public CliCommand {
public:
    const char *name() const override { return "diff"; }
    const char *synopsis() const override { return "diff A.txt B.txt"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const override { return true; }
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
