// The opt-in trace as a caller sees it: QLNK_TRACE is read when the library is loaded, so each
// case runs a program of its own (QlnkTraceProbe) with the variable as the case says.
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

// The probe's session as its trace must show it, with PORT and HANDLE from the probe's output.
const char *const kSession[] = {
    "QLNK_Open TCP_RAW 127.0.0.1:PORT -> QLNK_OK, handle HANDLE",
    "QLNK_SendData TCP_RAW handle HANDLE, 3 bytes: 1B 40 10 -> QLNK_OK, 3 sent",
    "QLNK_RecvData TCP_RAW handle HANDLE, room for 16 -> QLNK_OK, 2 bytes: 12 34",
    "QLNK_RecvData TCP_RAW handle HANDLE, room for 16 -> QLNK_E_TIMEOUT (Connection timed out), 0 bytes",
    "QLNK_CloseComm TCP_RAW handle HANDLE -> QLNK_OK",
};

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

std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

TEST(QlnkTrace, OneLinePerCallWhereTheVariableSaysAndNothingWithoutIt)
{
    enum class Where {
        Nowhere,
        File,
        StandardError
    };
    const struct {
        const char *value;  // null: unset
        Where where;
    } cases[] = {
        {nullptr, Where::Nowhere},
        {"0", Where::Nowhere},
        {"FILE", Where::File},
        {"1", Where::StandardError},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value != nullptr ? c.value : "unset");
        testing_support::TempDir dir;
        const std::string file = dir.file("qlnk.trace");
        if (c.value == nullptr) {
            unsetenv("QLNK_TRACE");
        } else {
            setenv("QLNK_TRACE", c.where == Where::File ? file.c_str() : c.value, 1);
        }
        const auto run = testing_support::ProcessRunner::Run(QLNK_TRACE_PROBE, {}, dir.path());
        unsetenv("QLNK_TRACE");
        ASSERT_EQ(run.exitCode, 0) << run.err;

        std::istringstream ids(run.out);
        std::string port;
        std::string handle;
        ids >> port >> handle;
        std::vector<std::string> expected;
        for (const char *line : kSession) {
            expected.push_back(Replace(Replace(line, "PORT", port), "HANDLE", handle));
        }
        const bool written = std::ifstream(file).good();
        EXPECT_EQ(written, c.where == Where::File);
        EXPECT_EQ(TraceLines(written ? testing_support::TempDir::read(file) : ""),
                  c.where == Where::File ? expected : std::vector<std::string>{});
        EXPECT_EQ(TraceLines(run.err), c.where == Where::StandardError ? expected : std::vector<std::string>{});
    }
}
