#include "rollvane/cli/FleetRun.h"

#include "rollvane/link/NumberText.h"

namespace rollvane {

FleetRun::FleetRun(Action action, std::string program, std::string argument)
    : action_(action), program_(std::move(program)), argument_(std::move(argument))
{}

std::vector<FleetResult> FleetRun::Run(const std::vector<FleetTargets::Target> &targets, std::size_t parallel)
{
    std::vector<FleetResult> results(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        results[i].target = targets[i];
    }
    platform::ChildProgram::RunJobs(
        targets.size(), parallel, kChildLimit,
        [&](std::size_t job, const platform::ChildProgram::Outcome *last) { return Next(results[job], last); });
    return results;
}

std::vector<std::string> FleetRun::Command(const FleetResult &result, bool dryRun) const
{
    std::vector<std::string> argv = {program_, "--port", "LAN", "--ip", NumberText::DottedText(result.target.address),
                                     "--json"};
    switch (action_) {
    case Action::Load:
        argv.insert(argv.end(), {"load-printer", "-o", result.file});
        break;
    case Action::Status:
        argv.push_back("status");
        break;
    case Action::Apply:
    case Action::DryRun:
        argv.insert(argv.end(), {"change-settings", argument_});
        if (dryRun) {
            argv.push_back("--dry-run");
        }
        break;
    }
    return argv;
}

std::optional<std::vector<std::string>> FleetRun::Next(FleetResult &result, const platform::ChildProgram::Outcome *last)
{
    if (!last) {
        if (action_ == Action::Load) {
            result.file = argument_ + "/" + NumberText::DottedText(result.target.address) + ".txt";
        }
        return Command(result, true);
    }
    // The real write follows a dry run that found something to change.
    const bool wrote = action_ == Action::Apply && !result.changes.empty();
    ChildReport report;
    std::string why;
    if (!report.Read(*last, &why)) {
        result.TakeUnread(why, report.exitCode);
        return std::nullopt;
    }
    switch (action_) {
    case Action::Load:
        result.Take(report, FleetResult::Kind::Loaded);
        return std::nullopt;
    case Action::Status:
        result.Take(report, FleetResult::Kind::Ready);
        return std::nullopt;
    case Action::DryRun:
        result.changes = report.changes;
        result.Take(report, report.changes.empty() ? FleetResult::Kind::Unchanged : FleetResult::Kind::Differs);
        return std::nullopt;
    case Action::Apply:
        if (wrote) {
            result.Take(report, FleetResult::Kind::Changed);
            return std::nullopt;
        }
        result.changes = report.changes;
        result.Take(report, FleetResult::Kind::Unchanged);
        // Nothing differs: the printer is not written, so not restarted for nothing.
        if (report.exitCode != 0 || report.changes.empty()) {
            return std::nullopt;
        }
        return Command(result, false);
    }
    return std::nullopt;
}

}  // namespace rollvane
