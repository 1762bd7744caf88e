#pragma once

#include "platform/ChildProgram.h"
#include "rollvane/cli/FleetResult.h"
#include "rollvane/cli/FleetTargets.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace rollvane {

// One action on every printer of a fleet: for each, this program run as a child with
// "--port LAN --ip ADDRESS --json" and the single printer's command, so every printer goes through
// the same page logic as one printer does. The children's reports become one FleetResult each.
class FleetRun {
public:
    enum class Action {
        Load,    // load-printer -o FOLDER/ADDRESS.txt
        Apply,   // change-settings FILE --dry-run, then change-settings FILE where something differs
        DryRun,  // change-settings FILE --dry-run alone
        Status,  // status
    };

    // Long enough for every time-out of one printer action; the commands end by their own.
    static constexpr std::chrono::seconds kChildLimit{180};

    // program: this program's path. argument: the settings file (Apply, DryRun) or the folder
    // (Load).
    FleetRun(Action action, std::string program, std::string argument);

    // Runs the action on every target, at most parallel printers at once; the results in the
    // targets' order.
    std::vector<FleetResult> Run(const std::vector<FleetTargets::Target> &targets, std::size_t parallel);

private:
    // The next child of one printer, or nothing when its result is complete.
    std::optional<std::vector<std::string>> Next(FleetResult &result, const platform::ChildProgram::Outcome *last);
    std::vector<std::string> Command(const FleetResult &result, bool dryRun) const;

    Action action_;
    std::string program_;
    std::string argument_;
};

}  // namespace rollvane
