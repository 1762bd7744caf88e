#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// prepare-logo IN OUT: any picture made into a 1-bit BMP the "Define Bit Images" page takes.
class PrepareLogoCommand final : public CliCommand {
public:
    const char *name() const override { return "prepare-logo"; }
    const char *synopsis() const override
    {
        return "prepare-logo IN OUT.bmp [--width N] [--paper 80|58] [--font 1|2] [--dither]";
    }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--dither"}; }
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    bool worksOnFilesOnly(const std::vector<std::string> & /*args*/) const override { return true; }
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
