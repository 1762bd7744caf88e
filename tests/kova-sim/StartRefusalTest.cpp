// kova-sim started on a state file that is no state file: it stops at once,
// says which file and why, and leaves the file as it was. One table of cases.
#include "SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>

using testing_support::TempDir;
using namespace std::chrono_literals;

namespace {

struct StateCase {
    const char *name;
    void (*make)(const std::string &path);
    const char *why;
};

const StateCase kStateCases[] = {
    {"Fifo", [](const std::string &p) { ::mkfifo(p.c_str(), 0644); }, "a FIFO, not a regular file"},
    {"Device", [](const std::string &p) { std::filesystem::create_symlink("/dev/zero", p); },
     "a character device, not a regular file"},
    {"Folder", [](const std::string &p) { std::filesystem::create_directory(p); }, "a folder, not a regular file"},
    {"Huge", [](const std::string &p) { TempDir::Write(p, "# kova-sim printer memory\n" + std::string(1 << 20, '#')); },
     "larger than the 1048576 bytes (1 MiB) a state file may hold"},
    {"NotUnderstood", [](const std::string &p) { TempDir::Write(p, "config = 01 02 zz\n"); },
     ":1: bad value for config"},
};

void PrintTo(const StateCase &c, std::ostream *os)
{
    *os << c.name;
}

class KovaSimStateFileAtStart : public ::testing::TestWithParam<StateCase> {};

}  // namespace

TEST_P(KovaSimStateFileAtStart, WhatIsNoStateFileIsRefusedAtOnceAndLeftAlone)
{
    TempDir dir;
    const std::string path = dir.file("state.txt");
    GetParam().make(path);
    struct stat before {};
    ::lstat(path.c_str(), &before);
    const std::string content = std::filesystem::is_regular_file(path) ? TempDir::Read(path) : "";
    SimProcess sim;
    const auto begun = std::chrono::steady_clock::now();
    const int status = sim.RunToExit({"--tcp-port", "0", "--udp-port", "0", "--state", path});
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    ASSERT_FALSE(sim.lines().empty());
    EXPECT_EQ(sim.lines()[0], "kova-sim: " + path + (GetParam().why[0] == ':' ? "" : ": ") + GetParam().why +
                                  "; not started, so as not to overwrite it");
    struct stat after {};
    ::lstat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (S_ISREG(after.st_mode)) {
        EXPECT_EQ(TempDir::Read(path), content);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KovaSimStateFileAtStart, ::testing::ValuesIn(kStateCases),
                         [](const auto &info) { return std::string(info.param.name); });
