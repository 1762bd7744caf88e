#include "rollvane/cli/FleetCommand.h"

#include "platform/SystemError.h"
#include "rollvane/cli/CommandOptions.h"
#include "rollvane/cli/FleetRun.h"
#include "rollvane/cli/FleetTargets.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/SettingsFileCheck.h"
#include "rollvane/cli/TerminalUserInterface.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace rollvane {

namespace {

constexpr std::size_t kDefaultParallel = 16;
constexpr std::size_t kMostParallel = 256;

struct ActionName {
    const char *word;
    FleetRun::Action action;
};
constexpr std::array<ActionName, 3> kActions{{
    {"load", FleetRun::Action::Load},
    {"apply", FleetRun::Action::Apply},
    {"status", FleetRun::Action::Status},
}};

// The running program, started again for each printer.
bool OwnPath(std::string *path, int *error)
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        *error = errno;
        return false;
    }
    path->assign(buffer, static_cast<std::size_t>(length));
    return true;
}

bool ParallelValue(const std::string &text, std::size_t *parallel)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *parallel = static_cast<std::size_t>(std::stoi(text));
    return *parallel >= 1 && *parallel <= kMostParallel;
}

}  // namespace

const char *FleetCommand::help() const
{
    return "Runs one action on many printers on the network at once and prints one line per printer, in\n"
           "the order given: its address, the result and what it concerns. The printers are named by\n"
           "exactly one of:\n"
           "  --targets FILE    one IPv4 address or host name a line; \"#\" starts a comment, blank lines\n"
           "                    are skipped, a printer named twice counts once; a line that is not an\n"
           "                    address or a name that does not resolve stops everything before it starts\n"
           "  --range A.B.C.D-E.F.G.H   every address from the first to the last\n"
           "  --subnet A.B.C.D/N        the subnet's hosts\n"
           "Actions:\n"
           "  load --out DIR    each printer's settings as load-printer -o writes them, to DIR/ADDRESS.txt;\n"
           "                    result \"loaded\"\n"
           "  apply FILE        change-settings FILE on every printer. The file is checked once first, as\n"
           "                    change-settings checks it. A printer whose settings already equal the file is\n"
           "                    \"unchanged\" and is not written (nor restarted); else \"changed\" with the\n"
           "                    items' names. --dry-run sends nothing: \"differs\" with the lines\n"
           "                    change-settings --dry-run prints, indented, or \"unchanged\"\n"
           "  status            each printer's status byte and its meaning; result \"ready\"\n"
           "A printer that fails is \"busy\" (Interface Busy), \"refused\" (nothing took the connection),\n"
           "\"timeout\" (no answer) or \"failed\", with its message or cause in short. One failing printer\n"
           "holds up no other. --parallel N (1 to 256, default 16) says how many printers are worked on at\n"
           "once; each runs as \"rollvane-cli --port LAN --ip ADDRESS --json COMMAND\". With --json the result\n"
           "holds \"printers\": address, name (the host name given, else null), result, changes, status\n"
           "(status), file (load), detail (a failure's message or cause), the printer's messages and its\n"
           "exit code. Exit status 0 when every printer succeeded, 1 when one did not. Needs no inifile.inf.\n";
}

int FleetCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int FleetCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                             const std::vector<std::string> &args)
{
    CommandOptions options;
    std::string error;
    const auto refuse = [&errors](const std::string &why) {
        errors << "rollvane-cli: fleet: " << why << "\n";
        return kUsageError;
    };
    if (!options.Parse(args, {"--targets", "--range", "--subnet", "--out", "--parallel"}, flags(), &error)) {
        return refuse(error);
    }
    const bool dryRun = options.flag("--dry-run");
    const auto &words = options.words();
    const auto named = std::find_if(kActions.begin(), kActions.end(), [&words](const ActionName &each) {
        return !words.empty() && words[0] == each.word;
    });
    if (named == kActions.end()) {
        return refuse(words.empty() ? "needs an action: load, apply or status" : "unknown action " + words[0]);
    }
    FleetRun::Action action = named->action;
    const std::size_t wordsNeeded = action == FleetRun::Action::Apply ? 2 : 1;
    if (words.size() < wordsNeeded) {
        return refuse("apply needs a settings FILE");
    }
    if (words.size() > wordsNeeded) {
        return refuse("unexpected argument " + words[wordsNeeded]);
    }
    if (dryRun && action != FleetRun::Action::Apply) {
        return refuse("--dry-run belongs to apply");
    }
    const std::string *folder = options.value("--out");
    if ((folder != nullptr) != (action == FleetRun::Action::Load)) {
        return refuse(folder ? "--out belongs to load" : "load needs --out DIR");
    }
    std::size_t parallel = kDefaultParallel;
    if (const std::string *text = options.value("--parallel"); text && !ParallelValue(*text, &parallel)) {
        return refuse("--parallel needs a number from 1 to " + std::to_string(kMostParallel) + ", not " + *text);
    }
    std::vector<FleetTargets::Target> targets;
    bool badFile = false;
    if (!FleetTargets::FromOptions(options, &targets, &badFile, &error)) {
        if (badFile) {
            errors << "rollvane-cli: fleet: " << error << "\n";
            return kBadFile;
        }
        return refuse(error);
    }

    std::string argument;
    if (action == FleetRun::Action::Apply) {
        argument = words[1];
        // Refused once here, exactly as each printer's change-settings would refuse it.
        if (!SettingsFileCheck::HoldsSettings(argument, "fleet apply", errors)) {
            return kUsageError;
        }
        if (!SettingsFileCheck::LoadsOnPage(argument, ui)) {
            return 0;
        }
        if (dryRun) {
            action = FleetRun::Action::DryRun;
        }
    } else if (action == FleetRun::Action::Load) {
        argument = *folder;
        struct stat info {};
        if (mkdir(argument.c_str(), 0777) != 0 &&
            (errno != EEXIST || stat(argument.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
            const int why = errno == EEXIST ? ENOTDIR : errno;
            errors << "rollvane-cli: fleet: --out " << argument << ": " << platform::SystemError::Text(why) << "\n";
            return kBadFile;
        }
    }
    std::string program;
    int pathError = 0;
    if (!OwnPath(&program, &pathError)) {
        errors << "rollvane-cli: fleet: cannot find this program: " << platform::SystemError::Text(pathError) << "\n";
        return 1;
    }

    FleetRun run(action, program, argument);
    const std::vector<FleetResult> results = run.Run(targets, parallel);
    const bool allSucceeded =
        std::all_of(results.begin(), results.end(), [](const FleetResult &result) { return result.succeeded(); });
    if (JsonWriter *json = ui.json()) {
        json->Key("action");
        json->String(named->word);
        json->Key("dryRun");
        json->Bool(dryRun);
        json->Key("printers");
        json->BeginArray();
        for (const auto &result : results) {
            result.WriteJson(*json);
        }
        json->EndArray();
    } else {
        for (const auto &result : results) {
            out << result.Line() << "\n";
            if (result.kind == FleetResult::Kind::Differs) {
                for (const auto &change : result.changes) {
                    out << "  " << change.Line() << "\n";
                }
            }
        }
        out << std::flush;
    }
    return allSucceeded ? 0 : 1;
}

}  // namespace rollvane
