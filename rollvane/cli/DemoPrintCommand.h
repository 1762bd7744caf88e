#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// demo-print N: "Print Demo Pattern N" with DemoN.txt from the current folder.
class DemoPrintCommand final : public CliCommand {
public:
    const char *name() const override { return "demo-print"; }
    const char *synopsis() const override { return "demo-print N [--preview OUT.png]"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    // --preview sends nothing: it needs no printer set up.
    bool worksOnFilesOnly(const std::vector<std::string> &args) const override;
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
