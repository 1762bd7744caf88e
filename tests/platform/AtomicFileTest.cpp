#include "platform/AtomicFile.h"
#include "platform/SystemError.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
