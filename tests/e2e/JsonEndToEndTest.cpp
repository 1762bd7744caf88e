// Every command with --json against the real kova-sim: standard output holds one JSON object that
// a strict parser (python3's json module) reads, with the command's result, the messages and the
// exit status the process gave.
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

// Reads the object strictly and prints one line: the exit code, the command, each result member
// in short and the messages as caption/icon.
const char kSummary[] = R"(import json, sys
text = open(sys.argv[1], encoding='utf-8').read()
assert text.endswith('\n') and text.count('\n') == 1, 'one line'
d = json.loads(text)
for m in d['messages']:
    assert sorted(m) == ['caption', 'cause', 'icon', 'text'], m
    assert all(isinstance(m[k], str) for k in ('caption', 'text', 'icon'))
    assert m['cause'] is None or isinstance(m['cause'], str)
line = [str(d['exitCode']), d['command'] or '-']
if 'status' in d:
    line.append(d['status']['hex'] + ' ' + d['status']['meaning'] if d['status'] else 'no status')
if 'items' in d:
    assert all(sorted(i) == ['name', 'number', 'value'] for i in d['items'])
    line.append('%d items, Knife %s' % (len(d['items']), d['items'][24]['value']))
if 'changes' in d:
    line.append(','.join('%s %s->%s' % (c['name'], c['before'], c['after']) for c in d['changes']))
if 'output' in d:
    line.append('output ' + d['output'].replace('\n', '/'))
if 'error' in d:
    line.append('error ' + d['error'])
line.append(' '.join(m['caption'] + '/' + m['icon'] for m in d['messages']))
print(' | '.join(line))
)";

TEST(JsonEndToEnd, EveryCommandGivesOneObject)
{
    TempDir dir;
    e2e::KovaSimPrinter printer;
    ASSERT_TRUE(printer.Start(e2e::KovaSimPrinter::Line::Network, "127.0.1.90", dir.path()));
    TempDir::Write(dir.file("summary.py"), kSummary);
    TempDir::Write(dir.file("knife.txt"), "[Properties settings]:\r\nKnife   =Disabled \r\n");
    TempDir::Write(dir.file("enabled.txt"), "[Properties settings]:\r\nKnife   =Enabled \r\n");
    TempDir::Write(dir.file("Demo1.txt"), "ESC \"@\" \"Hi\" 0x0A 0x1D 86 0 ; cut\r\n");
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string summary;
    } cases[] = {
        {{"status"}, 0, "0 | status | 0x00 ready | "},
        {{"load-printer"}, 0, "0 | load-printer | 38 items, Knife Enabled | "},
        {{"load-printer", "-o", "saved.txt"}, 0, "0 | load-printer | 38 items, Knife Enabled | Saved Properties/none"},
        {{"change-settings", "knife.txt", "--dry-run"}, 0, "0 | change-settings | Knife Enabled->Disabled | "},
        {{"diff", "knife.txt", "enabled.txt"}, 1, "1 | diff | Knife Disabled->Enabled | "},
        {{"diff", "knife.txt", "knife.txt"}, 0, "0 | diff |  | "},
        {{"print-config"}, 0, "0 | print-config | "},
        {{"test-print", "all-h"}, 0, "0 | test-print | "},
        {{"define-message", "top", "--line1", "Hello"}, 0, "0 | define-message | Complete/none"},
        {{"download-images", "--image", "5:none.bmp"}, 1, "1 | download-images | Error/stop"},
        {{"print-image", "5"}, 0, "0 | print-image | "},
        {{"demo-print", "1"}, 0, "0 | demo-print | "},
        {{"demo-check", "Demo1.txt"}, 0, "0 | demo-check | output Demo1.txt: 8 bytes/ | "},
        {{"prepare-logo", "none.png", "out.bmp"}, 1, "1 | prepare-logo | Error/stop"},
        // Quotes, control characters, UTF-8 and a byte that is not UTF-8, escaped for the parser.
        {{"status", "\"\t\xC3\xA9\xFF"},
         2,
         "2 | status | error status takes only --raw, not \"\t\xC3\xA9\xEF\xBF\xBD | "},
        {{"status", "extra"}, 2, "2 | status | error status takes only --raw, not extra | "},
        {{"frobnicate"}, 2, "2 | - | error unknown command frobnicate | "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments[0] + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        // --json before the command, the interface options after it.
        std::vector<std::string> arguments = {"--json"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.insert(arguments.end(), printer.interface().begin(), printer.interface().end());
        const ProcessResult result =
            ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
        EXPECT_EQ(result.exitCode, c.exit) << result.err;
        TempDir::Write(dir.file("result.json"), result.out);
        const ProcessResult parsed = ProcessRunner::Run("/usr/bin/python3", {"summary.py", "result.json"}, dir.path());
        ASSERT_EQ(parsed.exitCode, 0) << parsed.err << result.out;
        EXPECT_EQ(parsed.out, c.summary + "\n") << result.out;
    }
}

// A host name is looked up once, before the action: the link goes to the address it names.
TEST(JsonEndToEnd, HostNameOfThePrinter)
{
    TempDir dir;
    const ProcessResult result =
        ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"),
                           {"status", "--port", "LAN", "--ip", "localhost", "--trace"}, dir.path());
    EXPECT_NE(result.err.find("configure LAN 127.0.0.1: TCP data channel port 9100"), std::string::npos) << result.err;
}

}  // namespace
