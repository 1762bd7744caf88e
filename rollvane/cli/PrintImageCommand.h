#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// print-image ID: "Print the Selected BMP" of the stored bit image ID.
class PrintImageCommand final : public CliCommand {
public:
    const char *name() const override { return "print-image"; }
    const char *synopsis() const override { return "print-image ID"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
