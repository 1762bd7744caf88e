#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// fleet load|apply|status: one action on many printers at once, a result line each.
class FleetCommand final : public CliCommand {
public:
    const char *name() const override { return "fleet"; }
    const char *synopsis() const override
    {
        return "fleet (load --out DIR | apply FILE [--dry-run] | status) (--targets FILE | --range A.B.C.D-E.F.G.H | "
               "--subnet CIDR) [--parallel N]";
    }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--dry-run"}; }
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    // Every printer's action runs on its own link; the fleet itself needs neither inifile.inf nor one.
    bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const override { return true; }
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
