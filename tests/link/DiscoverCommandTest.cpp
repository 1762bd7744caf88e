// rollvane-cli discover against real kova-sim instances on their own loopback addresses: the
// range is asked at once from one socket, and with --identify every printer found is asked for
// its model and firmware over its data channel.
#include "tests/e2e/KovaSimPrinter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

ProcessResult Discover(const std::vector<std::string> &arguments, const std::string &folder)
{
    return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, folder);
}

// 127.0.4.1 ready with its own model and firmware, .2 busy, .3 silent, .40 ready but with its
// data channel elsewhere (identify finds nobody on 9100); nothing on .4 to .39, which answer
// the datagrams with port-unreachable errors before .40 is heard.
TEST(DiscoverCommand, ListsThePrintersOfARange)
{
    TempDir dir;
    const struct {
        const char *address;
        std::vector<std::string> options;
    } printers[] = {
        {"127.0.4.1", {"--model", "KX58B220C1EU", "--firmware", "0512"}},
        {"127.0.4.2", {"--status", "08"}},
        {"127.0.4.3", {"--silent"}},
        {"127.0.4.40", {"--tcp-port", "0"}},
    };
    std::vector<std::unique_ptr<e2e::KovaSimPrinter>> running;
    for (const auto &printer : printers) {
        running.push_back(std::make_unique<e2e::KovaSimPrinter>());
        ASSERT_TRUE(running.back()->Start(e2e::KovaSimPrinter::Line::Network, printer.address,
                                          dir.file(printer.address), printer.options))
            << printer.address;
    }
    const std::string range = "127.0.4.1-127.0.4.40";
    const struct {
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {{"discover", "--range", range},
         "ADDRESS          STATUS  MEANING\n"
         "127.0.4.1        0x00    ready\n"
         "127.0.4.2        0x08    busy: check the printer\n"
         "127.0.4.40       0x00    ready\n"},
        // The global options may follow the command; the subnet's hosts hold the same printers.
        {{"discover", "--subnet", "127.0.4.0/26", "--timeout", "800", "--identify"},
         "ADDRESS          STATUS  MEANING                  MODEL         FIRMWARE\n"
         "127.0.4.1        0x00    ready                    KX58B220C1EU  05.12\n"
         "127.0.4.2        0x08    busy: check the printer  KX80A110E1US  04.07\n"
         "127.0.4.40       0x00    ready                    -             -\n"},
        {{"--json", "discover", "--range=" + range},
         R"({"command":"discover","printers":[)"
         R"({"address":"127.0.4.1","byte":0,"hex":"0x00","meaning":"ready"},)"
         R"({"address":"127.0.4.2","byte":8,"hex":"0x08","meaning":"busy: check the printer"},)"
         R"({"address":"127.0.4.40","byte":0,"hex":"0x00","meaning":"ready"}],"messages":[],"exitCode":0})"
         "\n"},
        {{"discover", "--identify", "--range", range, "--json"},
         R"({"command":"discover","printers":[)"
         R"({"address":"127.0.4.1","byte":0,"hex":"0x00","meaning":"ready","model":"KX58B220C1EU","firmware":"05.12"},)"
         R"({"address":"127.0.4.2","byte":8,"hex":"0x08","meaning":"busy: check the printer","model":"KX80A110E1US",)"
         R"("firmware":"04.07"},)"
         R"({"address":"127.0.4.40","byte":0,"hex":"0x00","meaning":"ready","model":null,"firmware":null}],)"
         R"("messages":[],"exitCode":0})"
         "\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments[1] + " " + c.arguments[2]);
        const ProcessResult result = Discover(c.arguments, dir.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
    }
    // A range of one address.
    const ProcessResult single = Discover({"discover", "--range", "127.0.4.2-127.0.4.2"}, dir.path());
    EXPECT_EQ(single.out, "ADDRESS          STATUS  MEANING\n127.0.4.2        0x08    busy: check the printer\n");
}

// Nobody in the range: exit status 1 with the reason, in both forms of output.
TEST(DiscoverCommand, NoPrinterAnswered)
{
    TempDir dir;
    const ProcessResult plain =
        Discover({"discover", "--range", "127.0.4.100-127.0.4.110", "--timeout", "300"}, dir.path());
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, "");
    EXPECT_EQ(plain.err, "rollvane-cli: discover: no printer answered within 300 ms\n");
    const ProcessResult json = Discover({"--json", "discover", "--range", "127.0.4.100-127.0.4.110"}, dir.path());
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.out, "{\"command\":\"discover\",\"printers\":[],\"error\":\"discover: no printer "
                        "answered within 1500 ms\",\"messages\":[],\"exitCode\":1}\n");
    EXPECT_EQ(json.err, "rollvane-cli: discover: no printer answered within 1500 ms\n");
}

// Usage errors: nothing is sent, the reason is one line, then the pointer to the help.
TEST(DiscoverCommand, RefusesBadArguments)
{
    TempDir dir;
    const struct {
        std::vector<std::string> arguments;
        std::string reason;
    } cases[] = {
        {{"--range", "127.0.4.9-127.0.4.1"}, "127.0.4.9-127.0.4.1: the first address is after the last"},
        {{"--range", "127.0.4.1"}, "127.0.4.1: not a range of the form A.B.C.D-E.F.G.H"},
        {{"--range", "127.0.4.1-127.0.4.256"}, "127.0.4.1-127.0.4.256: not a range of the form A.B.C.D-E.F.G.H"},
        {{"--subnet", "127.0.4.0/33"}, "127.0.4.0/33: not a subnet of the form A.B.C.D/N (N from 0 to 32)"},
        {{"--subnet", "10.0.0.0/8"}, "10.0.0.0/8: 16777214 addresses, more than the 65536 one search may ask"},
        {{"--range", "127.0.4.1-127.0.4.2", "--subnet", "127.0.4.0/30"},
         "--range and --subnet cannot be given together"},
        {{"--timeout", "0"}, "--timeout takes a number of milliseconds from 1 to 600000, not \"0\""},
        {{"--timeout", "-5"}, "--timeout takes a number of milliseconds from 1 to 600000, not \"-5\""},
        {{"--timeout", "1.5"}, "--timeout takes a number of milliseconds from 1 to 600000, not \"1.5\""},
        {{"--timeout", "600001"}, "--timeout takes a number of milliseconds from 1 to 600000, not \"600001\""},
        {{"--timeout="}, "--timeout takes a number of milliseconds from 1 to 600000, not \"\""},
        {{"--timeout"}, "--timeout needs a value"},
        {{"--identify=yes"}, "--identify takes no value"},
        {{"--everywhere"}, "unknown option --everywhere"},
        {{"127.0.4.1"}, "unexpected argument 127.0.4.1"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> arguments = {"discover"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.reason);
        const ProcessResult result = Discover(arguments, dir.path());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "rollvane-cli: discover: " + c.reason + "\nsee rollvane-cli discover --help\n");
    }
    const ProcessResult json = Discover({"discover", "--timeout", "0", "--json"}, dir.path());
    EXPECT_EQ(json.exitCode, 2);
    EXPECT_EQ(json.out, "{\"command\":\"discover\",\"error\":\"discover: --timeout takes a number of milliseconds "
                        "from 1 to 600000, not \\\"0\\\"\",\"messages\":[],\"exitCode\":2}\n");
}

}  // namespace
