#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// download-images --image ID:PATH[:WIDTH:ALIGN] ... [--preview DIR [--paper 80|58] [--font 1|2]]:
// the "Define Bit Images" rows filled in, each file checked as Browse checks it, then Download;
// with --preview the images as the printer would keep them, written as PNG files, nothing sent.
class DownloadImagesCommand final : public CliCommand {
public:
    const char *name() const override { return "download-images"; }
    const char *synopsis() const override
    {
        return "download-images --image ID:PATH[:WIDTH:ALIGN] ... [--preview DIR [--paper 80|58] [--font 1|2]]";
    }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
    // --preview opens no port: it needs neither inifile.inf nor a printer set up.
    bool worksOnFilesOnly(const std::vector<std::string> &args) const override;
    int RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                   const std::vector<std::string> &args) override;
};

}  // namespace rollvane
