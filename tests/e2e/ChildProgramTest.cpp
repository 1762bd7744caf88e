// Programs run as children: what they print is captured whole, however much, their exit status or
// signal is kept, one that outlasts its limit is killed, and chains of programs run side by side.
#include "platform/ChildProgram.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

using platform::ChildProgram;
using testing_support::TempDir;

namespace {

TEST(ChildProgram, OutcomeOfOneProgram)
{
    const struct {
        const char *what;
        std::vector<std::string> argv;
        std::chrono::milliseconds limit;
        bool started;
        int exitCode;
        int signal;
        bool timedOut;
        std::string out;
        std::string err;
    } cases[] = {
        {"both streams",
         {"/bin/sh", "-c", "printf out; printf err >&2; exit 3"},
         std::chrono::seconds(30),
         true,
         3,
         0,
         false,
         "out",
         "err"},
        {"standard input is empty",
         {"/bin/sh", "-c", "cat; echo end"},
         std::chrono::seconds(30),
         true,
         0,
         0,
         false,
         "end\n",
         ""},
        {"a signal", {"/bin/sh", "-c", "kill -TERM $$"}, std::chrono::seconds(30), true, -1, 15, false, "", ""},
        {"killed at its limit",
         {"/bin/sh", "-c", "printf before; exec sleep 30"},
         std::chrono::milliseconds(300),
         true,
         -1,
         9,
         true,
         "before",
         ""},
        // More than a pipe holds, on both streams at once: neither may stall the other.
        {"a large output",
         {"/bin/sh", "-c", "head -c 1000000 /dev/zero; head -c 300000 /dev/zero >&2"},
         std::chrono::seconds(30),
         true,
         0,
         0,
         false,
         std::string(1000000, '\0'),
         std::string(300000, '\0')},
        // A program it started keeps the pipes after it ended: the end comes at the limit.
        {"pipes held by a grandchild",
         {"/bin/sh", "-c", "sleep 5 & echo gone"},
         std::chrono::milliseconds(300),
         true,
         0,
         0,
         false,
         "gone\n",
         ""},
        {"no such program", {"/nonexistent/program"}, std::chrono::seconds(30), false, -1, 0, false, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ChildProgram::Outcome outcome = ChildProgram::Run(c.argv, c.limit);
        EXPECT_EQ(outcome.started, c.started) << outcome.error;
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.signal, c.signal);
        EXPECT_EQ(outcome.timedOut, c.timedOut);
        EXPECT_TRUE(outcome.out == c.out) << outcome.out.size() << " bytes";
        EXPECT_TRUE(outcome.err == c.err) << outcome.err.size() << " bytes";
        if (!c.started) {
            EXPECT_EQ(outcome.error, "/nonexistent/program: No such file or directory");
        }
    }
}

// Ten jobs of two programs each, three at a time: every job sees its own first outcome before its
// second program, and no more than three ever run at once (each counts itself in a folder).
TEST(ChildProgram, ChainsRunSideBySide)
{
    TempDir folder;
    const std::string count = folder.file("running");
    const std::string script = "mkdir -p " + count + "; touch " + count + "/$1; ls " + count +
                               " | wc -l; sleep 0.1; rm " + count + "/$1; echo $2";
    std::map<std::size_t, std::vector<std::string>> seen;
    std::size_t most = 0;
    ChildProgram::RunJobs(
        10, 3, std::chrono::seconds(30),
        [&](std::size_t job, const ChildProgram::Outcome *last) -> std::optional<std::vector<std::string>> {
            if (last) {
                const std::size_t newline = last->out.find('\n');
                most = std::max<std::size_t>(most, std::stoul(last->out.substr(0, newline)));
                seen[job].push_back(last->out.substr(newline + 1));
            }
            if (seen[job].size() == 2) {
                return std::nullopt;
            }
            const std::string step = std::to_string(job) + "." + std::to_string(seen[job].size());
            return std::vector<std::string>{"/bin/sh", "-c", script, "sh", step, "done " + step};
        });
    ASSERT_EQ(seen.size(), 10u);
    for (std::size_t job = 0; job < 10; ++job) {
        const std::string n = std::to_string(job);
        EXPECT_EQ(seen[job], (std::vector<std::string>{"done " + n + ".0\n", "done " + n + ".1\n"}));
    }
    EXPECT_GE(most, 1u);
    EXPECT_LE(most, 3u);
}

}  // namespace
