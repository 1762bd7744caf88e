// rollvane-cli fleet against real kova-sim printers on 127.0.5.x, healthy ones beside a busy, a
// silent and a refusing one: the exact result line of each, the exit status, the settings that
// reached (or did not reach) each printer as a later load shows them, and the target files.
#include "rollvane/cli/FleetTargets.h"
#include "rollvane/link/NumberText.h"
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

const char kSettings[] = "[Properties settings]:\r\nPrintDensity=110% \r\nKnife   =Disabled \r\n";

// Printers on 127.0.5.FIRST and on, one kova-sim each with the options given.
class Fleet {
public:
    Fleet(const TempDir &dir, int first, const std::vector<std::vector<std::string>> &options) : dir_(dir)
    {
        for (std::size_t i = 0; i < options.size(); ++i) {
            const std::string address = "127.0.5." + std::to_string(first + static_cast<int>(i));
            printers_.push_back(std::make_unique<e2e::KovaSimPrinter>());
            started_ =
                printers_.back()->Start(e2e::KovaSimPrinter::Line::Network, address, dir.file(address), options[i]) &&
                started_;
        }
    }
    bool started() const { return started_; }
    // How often the first count printers restarted, as "1 1 1": a restart follows every write.
    std::string Restarts(std::size_t count) const
    {
        std::string said;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string log = printers_[i]->log();
            std::size_t restarts = 0;
            for (std::size_t at = log.find("kova-sim restarting"); at != std::string::npos;
                 at = log.find("kova-sim restarting", at + 1)) {
                ++restarts;
            }
            said += (said.empty() ? "" : " ") + std::to_string(restarts);
        }
        return said;
    }

    ProcessResult Cli(const std::vector<std::string> &arguments) const
    {
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir_.path(),
                                  std::chrono::seconds(240));
    }

private:
    const TempDir &dir_;
    std::vector<std::unique_ptr<e2e::KovaSimPrinter>> printers_;
    bool started_ = true;
};

// The printers' settings as fleet load writes them: "ADDRESS Knife=... PrintDensity=..." each.
std::string LoadedSettings(const Fleet &fleet, const TempDir &dir, const std::string &range)
{
    const ProcessResult load = fleet.Cli({"fleet", "load", "--range", range, "--out", "loaded"});
    std::string said = load.out + "exit " + std::to_string(load.exitCode) + "\n";
    std::set<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(dir.file("loaded"))) {
        files.insert(entry.path());
    }
    for (const auto &file : files) {
        const std::string text = TempDir::Read(file.string());
        for (const char *key : {"PrintDensity=", "Knife   ="}) {
            const std::size_t at = text.find(key);
            said += file.filename().string() + " " +
                    (at == std::string::npos ? "-" : text.substr(at, text.find(" \r", at) - at)) + "\n";
        }
    }
    std::filesystem::remove_all(dir.file("loaded"));
    return said;
}

TEST(FleetEndToEnd, ApplyToPrintersWithFaults)
{
    TempDir dir;
    // .4 busy, .5 silent, .6 answers its status but takes no connection on 9100.
    const Fleet fleet(dir, 1, {{}, {}, {}, {"--status", "08"}, {"--silent"}, {"--tcp-port", "0"}});
    ASSERT_TRUE(fleet.started());
    TempDir::Write(dir.file("settings.txt"), kSettings);
    TempDir::Write(dir.file("printers.txt"), "# the counter\n127.0.5.1\n127.0.5.2   # back office\n\n"
                                             "127.0.5.3\n127.0.5.1\n127.0.5.4\n127.0.5.5\n127.0.5.6\n");
    const std::string failures =
        "127.0.5.4        busy       Interface Busy: Please check for any error condition on printer!\n"
        "127.0.5.5        timeout    LAN 127.0.5.5:3000 (UDP status channel): receive: no reply within 10000 ms\n"
        "127.0.5.6        refused    LAN 127.0.5.6:9100 (TCP data channel): send: the channel did not open: "
        "connect: Connection refused\n";
    const std::string before = "exit 0\n"
                               "127.0.5.1.txt PrintDensity=100%\n127.0.5.1.txt Knife   =Enabled\n"
                               "127.0.5.2.txt PrintDensity=100%\n127.0.5.2.txt Knife   =Enabled\n"
                               "127.0.5.3.txt PrintDensity=100%\n127.0.5.3.txt Knife   =Enabled\n";
    const std::string loaded = "127.0.5.1        loaded     loaded/127.0.5.1.txt\n"
                               "127.0.5.2        loaded     loaded/127.0.5.2.txt\n"
                               "127.0.5.3        loaded     loaded/127.0.5.3.txt\n";

    // The dry run shows each diff and sends nothing.
    ProcessResult run = fleet.Cli({"fleet", "apply", "settings.txt", "--targets", "printers.txt", "--dry-run"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    std::string diffs;
    for (const char *address : {"127.0.5.1", "127.0.5.2", "127.0.5.3"}) {
        diffs += std::string(address) + "        differs    Print Density, Knife\n" +
                 "  Print Density: \"100%\" -> \"110%\"\n  Knife: \"Enabled\" -> \"Disabled\"\n";
    }
    EXPECT_EQ(run.out, diffs + failures);
    EXPECT_EQ(LoadedSettings(fleet, dir, "127.0.5.1-127.0.5.3"), loaded + before);
    EXPECT_EQ(fleet.Restarts(3), "0 0 0");

    run = fleet.Cli({"fleet", "apply", "settings.txt", "--targets", "printers.txt", "--parallel", "3"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, "127.0.5.1        changed    Print Density, Knife\n"
                       "127.0.5.2        changed    Print Density, Knife\n"
                       "127.0.5.3        changed    Print Density, Knife\n" +
                           failures);
    EXPECT_EQ(LoadedSettings(fleet, dir, "127.0.5.1-127.0.5.3"),
              loaded + "exit 0\n"
                       "127.0.5.1.txt PrintDensity=110%\n127.0.5.1.txt Knife   =Disabled\n"
                       "127.0.5.2.txt PrintDensity=110%\n127.0.5.2.txt Knife   =Disabled\n"
                       "127.0.5.3.txt PrintDensity=110%\n127.0.5.3.txt Knife   =Disabled\n");

    // Equal settings are not written again: nothing restarts.
    run = fleet.Cli({"fleet", "apply", "settings.txt", "--subnet", "127.0.5.0/30", "--parallel", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "127.0.5.1        unchanged\n127.0.5.2        unchanged\n");
    EXPECT_EQ(fleet.Restarts(3), "1 1 1");
}

TEST(FleetEndToEnd, StatusAndJson)
{
    TempDir dir;
    const Fleet fleet(dir, 11, {{}, {"--status", "08"}, {"--status", "04"}});
    ASSERT_TRUE(fleet.started());
    ProcessResult run = fleet.Cli({"fleet", "status", "--range", "127.0.5.11-127.0.5.13"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, "127.0.5.11       ready      0x00 ready\n"
                       "127.0.5.12       busy       0x08 busy: check the printer\n"
                       "127.0.5.13       ready      0x04 ready, other bits 0x04\n");
    EXPECT_EQ(run.err, "");

    TempDir::Write(dir.file("settings.txt"), kSettings);
    run = fleet.Cli({"--json", "fleet", "apply", "settings.txt", "--range", "127.0.5.11-127.0.5.12"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
    const QJsonObject object = document.object();
    EXPECT_EQ(object.value("command").toString(), "fleet");
    EXPECT_EQ(object.value("action").toString(), "apply");
    EXPECT_EQ(object.value("dryRun").toBool(true), false);
    EXPECT_EQ(object.value("exitCode").toInt(), 1);
    EXPECT_EQ(object.value("messages").toArray().size(), 0);
    // Each printer in short: address, result, changes, detail, messages, exit code.
    QStringList printers;
    for (const QJsonValue &value : object.value("printers").toArray()) {
        const QJsonObject printer = value.toObject();
        QStringList changes;
        for (const QJsonValue &change : printer.value("changes").toArray()) {
            changes << QString("%1 %2 %3->%4")
                           .arg(change["number"].toInt())
                           .arg(change["name"].toString(), change["before"].toString(), change["after"].toString());
        }
        QStringList messages;
        for (const QJsonValue &message : printer.value("messages").toArray()) {
            messages << message["caption"].toString() + "/" + message["icon"].toString() + "/" +
                            message["text"].toString().trimmed() + "/" +
                            (message["cause"].isNull() ? "null" : message["cause"].toString());
        }
        printers << QStringList{printer.value("address").toString(),
                                printer.value("name").isNull() ? "null" : printer.value("name").toString(),
                                printer.value("result").toString(),
                                changes.join(","),
                                printer.value("detail").isNull() ? "null" : printer.value("detail").toString(),
                                messages.join(","),
                                QString::number(printer.value("exitCode").toInt())}
                        .join(" | ");
    }
    EXPECT_EQ(printers.join("\n").toStdString(),
              "127.0.5.11 | null | changed | 21 Print Density 100%->110%,25 Knife Enabled->Disabled | null | "
              "Complete/none/Change Settings Complete./null | 0\n"
              "127.0.5.12 | null | busy |  | Interface Busy: Please check for any error condition on printer! | "
              "Interface Busy/warning/Please check for any error condition on printer!/null | 1");
}

// A settings file or a command line that cannot be used stops everything before a printer is
// asked: no result line, and the printer keeps its settings.
TEST(FleetEndToEnd, RefusedBeforeAnythingIsSent)
{
    TempDir dir;
    const Fleet fleet(dir, 21, {{}});
    ASSERT_TRUE(fleet.started());
    TempDir::Write(dir.file("settings.txt"), kSettings);
    TempDir::Write(dir.file("empty.txt"), "[Other]\r\nKnife   =Disabled \r\n");
    TempDir::Write(dir.file("bad.txt"), "[Properties settings]:\r\nKnife   =Sideways \r\n");
    TempDir::Write(dir.file("printers.txt"), "127.0.5.21\n127.0.5.22 # spare\n300.1.2.3\n");
    const std::string help = "see rollvane-cli fleet --help\n";
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string err;
    } cases[] = {
        {{"apply", "empty.txt"},
         2,
         "rollvane-cli: fleet apply: empty.txt holds no printer settings (no [Properties settings] section with an "
         "item)\n" +
             help},
        {{"apply", "bad.txt"},
         1,
         "Invalid Properties: Please select the appropriate properties!\n"
         "  cause: Knife: \"Sideways\" is not one of \"Enabled\", \"Disabled\" (letter case counts)\n"},
        {{"apply", "missing.txt"}, 1, "Error: Cannot read the file missing.txt:\nNo such file or directory\n"},
        {{"apply", "settings.txt", "--parallel", "0"},
         2,
         "rollvane-cli: fleet: --parallel needs a number from 1 to 256, not 0\n" + help},
        {{"apply", "settings.txt", "--parallel", "257"},
         2,
         "rollvane-cli: fleet: --parallel needs a number from 1 to 256, not 257\n" + help},
        {{"apply"}, 2, "rollvane-cli: fleet: apply needs a settings FILE\n" + help},
        {{"status", "--dry-run"}, 2, "rollvane-cli: fleet: --dry-run belongs to apply\n" + help},
        {{"load"}, 2, "rollvane-cli: fleet: load needs --out DIR\n" + help},
        {{"reboot"}, 2, "rollvane-cli: fleet: unknown action reboot\n" + help},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : ""));
        std::vector<std::string> arguments = {"fleet"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.insert(arguments.end(), {"--range", "127.0.5.21-127.0.5.21"});
        const ProcessResult run = fleet.Cli(arguments);
        EXPECT_EQ(run.exitCode, c.exit);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
    // The same refusal as change-settings of one printer gives.
    const ProcessResult single = fleet.Cli({"--port", "LAN", "--ip", "127.0.5.21", "change-settings", "bad.txt"});
    EXPECT_EQ(single.exitCode, 1);
    EXPECT_EQ(single.err, cases[1].err);

    const struct {
        std::vector<std::string> targets;
        std::string err;
    } targetCases[] = {
        {{"--targets", "printers.txt"},
         "rollvane-cli: fleet: printers.txt:3: 300.1.2.3 is not an IPv4 address (four numbers from 0 to 255 joined "
         "by points)\n"},
        {{"--targets", "none.txt"}, "rollvane-cli: fleet: cannot read none.txt: No such file or directory\n"},
        {{},
         "rollvane-cli: fleet: the printers are missing: give --targets FILE, --range A.B.C.D-E.F.G.H or "
         "--subnet CIDR\n" +
             help},
        {{"--range", "127.0.5.21-127.0.5.22", "--subnet", "127.0.5.0/24"},
         "rollvane-cli: fleet: give only one of --targets, --range and --subnet, not --range and --subnet\n" + help},
        {{"--subnet", "127.0.5.0/33"},
         "rollvane-cli: fleet: --subnet 127.0.5.0/33: not a subnet of the form A.B.C.D/N (N from 0 to 32)\n" + help},
    };
    for (const auto &c : targetCases) {
        SCOPED_TRACE(c.targets.empty() ? "none" : c.targets[1]);
        std::vector<std::string> arguments = {"fleet", "status"};
        arguments.insert(arguments.end(), c.targets.begin(), c.targets.end());
        const ProcessResult run = fleet.Cli(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_EQ(LoadedSettings(fleet, dir, "127.0.5.21-127.0.5.21"),
              "127.0.5.21       loaded     loaded/127.0.5.21.txt\nexit 0\n"
              "127.0.5.21.txt PrintDensity=100%\n127.0.5.21.txt Knife   =Enabled\n");
}

TEST(FleetTargets, FileLinesAsATable)
{
    const struct {
        const char *text;
        std::string result;  // the targets, or the error
    } cases[] = {
        {"127.0.5.1\n  127.0.5.2  # second\n127.0.5.1\n\t127.0.5.3\r\n", "127.0.5.1 127.0.5.2 127.0.5.3"},
        {"# all\n#127.0.5.9\n\n127.0.5.1#first\n", "127.0.5.1"},
        {"127.000.005.010", "127.0.5.10"},
        // A name counts once with its address.
        {"localhost\n127.0.0.1\n", "127.0.0.1(localhost)"},
        {"# nothing\n\n   \n", "printers.txt names no printer"},
        {"", "printers.txt names no printer"},
        {"127.0.5.1\n127.0.5.2 127.0.5.3\n",
         "printers.txt:2: \"127.0.5.2 127.0.5.3\" is neither an IPv4 address nor a host name (one printer a line)"},
        {"127.0.5.1,127.0.5.2\n",
         "printers.txt:1: \"127.0.5.1,127.0.5.2\" is neither an IPv4 address nor a host name (one printer a line)"},
        {"\n127.0.5.256\n",
         "printers.txt:2: 127.0.5.256 is not an IPv4 address (four numbers from 0 to 255 joined by points)"},
        {"127.0.5\n", "printers.txt:1: 127.0.5 is not an IPv4 address (four numbers from 0 to 255 joined by points)"},
        {"127.0.5.1\n\n\nno-such-printer.invalid # gone\n", "printers.txt:4: no-such-printer.invalid: "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<rollvane::FleetTargets::Target> targets;
        std::string error;
        std::string result;
        if (rollvane::FleetTargets::Parse(c.text, "printers.txt", &targets, &error)) {
            for (const auto &target : targets) {
                result += (result.empty() ? "" : " ") + rollvane::NumberText::DottedText(target.address) +
                          (target.name.empty() ? "" : "(" + target.name + ")");
            }
        } else {
            // The resolver's own words vary from system to system.
            result = error.substr(0, error.find("invalid: ") == std::string::npos ? error.size()
                                                                                  : error.find("invalid: ") + 9);
        }
        EXPECT_EQ(result, c.result);
    }
}

}  // namespace
