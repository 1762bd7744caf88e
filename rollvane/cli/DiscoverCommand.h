#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// discover: the printers on the network that answer the status datagram.
class DiscoverCommand final : public CliCommand {
public:
    const char *name() const override { return "discover"; }
    const char *synopsis() const override
    {
        return "discover [--timeout MS] [--range A.B.C.D-E.F.G.H | --subnet CIDR] [--identify]";
    }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--identify"}; }
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    // No printer is set up for a search: it needs neither inifile.inf nor a link.
    bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const override { return true; }
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
