#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// define-message KIND [--line1 T] [--line2 T] [--underline T] ...: "Download!" of the
// "Define Top/Bottom Msgs" page with the texts given.
class DefineMessageCommand final : public CliCommand {
public:
    const char *name() const override { return "define-message"; }
    const char *synopsis() const override
    {
        return "define-message KIND [--line1 T] [--line2 T] [--underline T] [--double-height T] "
               "[--double-width T] [--emphasized T] [--color T] [--inverse T]";
    }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
