// The opt-in trace as a caller sees it. QLNK_TRACE is read when the library is loaded, so each
// case runs a caller of its own (QlnkTraceProbe) with the variable as the case sets it.
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

// Each line without its "qlnk HH:MM:SS.mmm " prefix, which is checked on the way.
std::vector<std::string> TraceLines(const std::string &text)
{
    static const std::regex prefix(R"(^qlnk \d\d:\d\d:\d\d\.\d\d\d (.*)$)");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        lines.push_back(std::regex_match(line, match, prefix) ? match[1].str() : "unprefixed: " + line);
    }
    return lines;
}

}  // namespace

TEST(QlnkTrace, OneLinePerCallWhereTheVariableSaysAndNothingWithoutIt)
{
    enum class Where {
        Nowhere,
        File,
        StandardError
    };
    for (const Where where : {Where::Nowhere, Where::File, Where::StandardError}) {
        SCOPED_TRACE(int(where));
        testing_support::TempDir dir;
        const std::string file = dir.file("qlnk.trace");
        if (where != Where::Nowhere) {
            setenv("QLNK_TRACE", where == Where::File ? file.c_str() : "1", 1);
        }
        const auto run = testing_support::ProcessRunner::Run(QLNK_TRACE_PROBE, {}, dir.path());
        unsetenv("QLNK_TRACE");
        ASSERT_EQ(run.exitCode, 0) << run.err;

        // The probe says which port it listened on and which handle it got.
        std::string port;
        std::string fd;
        std::istringstream(run.out) >> port >> fd;
        const std::string on = "TCP_RAW handle " + fd;
        const std::vector<std::string> session = {
            "QLNK_Open TCP_RAW 127.0.0.1:" + port + " -> QLNK_OK, handle " + fd,
            "QLNK_SendData " + on + ", 3 bytes: 1B 40 10 -> QLNK_OK, 3 sent",
            "QLNK_RecvData " + on + ", room for 16 -> QLNK_OK, 2 bytes: 12 34",
            "QLNK_RecvData " + on + ", room for 16 -> QLNK_E_TIMEOUT (Connection timed out), 0 bytes",
            "QLNK_CloseComm " + on + " -> QLNK_OK",
        };
        const bool written = std::ifstream(file).good();
        EXPECT_EQ(written, where == Where::File);
        EXPECT_EQ(TraceLines(written ? testing_support::TempDir::Read(file) : ""),
                  where == Where::File ? session : std::vector<std::string>{});
        EXPECT_EQ(TraceLines(run.err), where == Where::StandardError ? session : std::vector<std::string>{});
    }
}
