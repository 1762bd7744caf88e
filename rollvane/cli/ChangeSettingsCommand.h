#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// change-settings FILE [--usb-select-type TEXT] [--dry-run]: "Load File" of FILE, then
// "Change Settings"; with --dry-run the items that would change, and nothing sent.
class ChangeSettingsCommand final : public CliCommand {
public:
    const char *name() const override { return "change-settings"; }
    const char *synopsis() const override { return "change-settings FILE [--usb-select-type TEXT] [--dry-run]"; }
    const char *help() const override;
    std::vector<std::string> flags() const override { return {"--dry-run"}; }
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
