#include "platform/AtomicFile.h"
#include "platform/SystemError.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using platform::AtomicFile;
using testing_support::TempDir;

TEST(AtomicFile, ReplacesTheWholeFileAndKeepsItsMode)
{
    TempDir dir;
    const std::string path = dir.file("out.txt");
    TempDir::Write(path, "old content that is longer");
    chmod(path.c_str(), 0640);
    int error = 0;
    ASSERT_TRUE(AtomicFile::Write(path, "new", &error)) << platform::SystemError::Text(error);
    EXPECT_EQ(TempDir::Read(path), "new");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicFile, FailureLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    int error = 0;
    // The target is a folder: the rename cannot replace it.
    const std::string folder = dir.file("taken");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(AtomicFile::Write(folder, "data", &error));
    EXPECT_NE(error, 0);
    int entries = 0;
    for ([[maybe_unused]] auto &entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, MissingFolderReportsTheReason)
{
    TempDir dir;
    int error = 0;
    EXPECT_FALSE(AtomicFile::Write(dir.file("no/such/folder/file.txt"), "x", &error));
    EXPECT_EQ(error, ENOENT);
}

// Only a regular file is replaced: a link has its target written, and a device or FIFO is
// written as it is and stays what it was.
TEST(AtomicFile, WhatIsAtThePathDecidesHowItIsWritten)
{
    TempDir dir;
    TempDir::Write(dir.file("target.txt"), "old");
    ASSERT_EQ(symlink("target.txt", dir.file("link").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("link").c_str(), dir.file("chain").c_str()), 0);
    int error = 0;
    for (const char *name : {"link", "chain"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(AtomicFile::Write(dir.file(name), std::string("via ") + name, &error));
        struct stat st {};
        ASSERT_EQ(lstat(dir.file(name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        EXPECT_EQ(TempDir::Read(dir.file("target.txt")), std::string("via ") + name);
    }

    // A FIFO: what a reader gets, and the FIFO stays a FIFO; without a reader, no wait.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(AtomicFile::Write(dir.file("fifo"), "nobody reads", &error));
    EXPECT_EQ(error, ENXIO);
    std::string got;
    std::thread reader([&] { got = TempDir::Read(dir.file("fifo")); });
    bool written = false;
    for (int i = 0; i < 200 && !written; ++i) {  // until the reader has opened its end
        written = AtomicFile::Write(dir.file("fifo"), "through the pipe", &error);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(got, "through the pipe");
    struct stat fifo {};
    ASSERT_EQ(stat(dir.file("fifo").c_str(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));

    // A character device: a node of the null device made here, so a fault could never
    // replace the system's own.
    if (mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_TRUE(AtomicFile::Write(dir.file("null"), "gone", &error));
        struct stat null {};
        ASSERT_EQ(stat(dir.file("null").c_str(), &null), 0);
        EXPECT_TRUE(S_ISCHR(null.st_mode));
    }
}

// Killed in the middle of a write (inifile.inf as the program ends, a saved settings file),
// the file is the one there was or the one being written, never a mix or an empty file.
TEST(AtomicFile, AKillDuringAWriteLeavesTheOldFileOrTheNew)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    const std::string contents[] = {std::string(4 << 20, 'a'), std::string(3 << 20, 'b')};
    ASSERT_TRUE(AtomicFile::Write(path, contents[0]));
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;) {  // one and the other for ever, until killed
                AtomicFile::Write(path, contents[1]);
                AtomicFile::Write(path, contents[0]);
            }
        }
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string text = TempDir::Read(path);
        EXPECT_TRUE(text == contents[0] || text == contents[1]) << "round " << round << ": " << text.size() << " bytes";
    }
}
