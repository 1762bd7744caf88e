#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// demo-check FILE: translates a demo file and says how many bytes it gives, or where and why
// it has a syntax error.
class DemoCheckCommand final : public CliCommand {
public:
    const char *name() const override { return "demo-check"; }
    const char *synopsis() const override { return "demo-check FILE [--preview OUT.png]"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const override { return true; }
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
