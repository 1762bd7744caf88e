#pragma once

#include "rollvane/cli/CliCommand.h"

namespace rollvane {

// test-print TEST [--paper 80|58] [--side front|back|both]: a button of the "Online Test Print"
// page with the paper and side chosen.
class TestPrintCommand final : public CliCommand {
public:
    const char *name() const override { return "test-print"; }
    const char *synopsis() const override { return "test-print TEST [--paper 80|58] [--side front|back|both]"; }
    const char *help() const override;
    int Run(CliContext &context, const std::vector<std::string> &args) override;
};

}  // namespace rollvane
