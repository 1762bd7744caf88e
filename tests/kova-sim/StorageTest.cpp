#include "Bitmap.h"
#include "PngWriter.h"
#include "PrinterState.h"
#include "StateFile.h"
#include "tests/support/PngReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::PngReader;
using testing_support::TempDir;

namespace {

// While set, every fsync of this program is noted with the path of what it
// syncs: the state file's save goes through here.
std::vector<std::string> *synced = nullptr;

}  // namespace

extern "C" int fsync(int fd)
{
    if (synced) {
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        char target[4096];
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
        synced->push_back(n > 0 ? std::string(target, static_cast<size_t>(n)) : "?");
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

TEST(KovaSimStateFile, RoundTripKeepsEverything)
{
    TempDir dir;
    PrinterState s;
    s.modelCode = "AB12C34D56EF";
    s.firmware = "0812";
    ASSERT_TRUE(s.config.Apply(0x32, 0x01));
    ASSERT_TRUE(s.config.Apply(0x40, 0x11));
    s.StoreImage(9, {'B', 'M', 1, 2, 3});
    s.StoreImage(200, {0, 0xFF});
    s.SetMessage(2, 0x2A, {'A', 'B', 'C'});
    s.SetMessage(5, 0x01, {});
    const std::string path = dir.file("state.txt");
    std::string error;
    ASSERT_TRUE(StateFile::Save(path, s, error)) << error;

    PrinterState back;
    ASSERT_EQ(StateFile::LoadFrom(path, back, error), StateFile::Load::Loaded) << error;
    EXPECT_EQ(back.modelCode, "AB12C34D56EF");
    EXPECT_EQ(back.firmware, "0812");
    EXPECT_TRUE(back.config == s.config);
    ASSERT_EQ(back.images().size(), 2u);
    EXPECT_EQ(back.image(9)->file, (std::vector<uint8_t>{'B', 'M', 1, 2, 3}));
    EXPECT_EQ(back.image(200)->file, (std::vector<uint8_t>{0, 0xFF}));
    EXPECT_EQ(back.message(2).attribute, 0x2A);
    EXPECT_EQ(back.message(2).text, (std::vector<uint8_t>{'A', 'B', 'C'}));
    EXPECT_EQ(back.message(5).attribute, 0x01);
    EXPECT_FALSE(std::ifstream(path + ".new").good());
}

TEST(KovaSimStateFile, MissingAndBrokenFilesAreToldApart)
{
    TempDir dir;
    PrinterState s;
    std::string error;
    EXPECT_EQ(StateFile::LoadFrom(dir.file("none.txt"), s, error), StateFile::Load::Missing);
    std::ofstream(dir.file("bad.txt")) << "config = 01 02 zz\n";
    EXPECT_EQ(StateFile::LoadFrom(dir.file("bad.txt"), s, error), StateFile::Load::Bad);
    EXPECT_NE(error.find(":1:"), std::string::npos);
    std::ofstream(dir.file("short.txt")) << "config = 01 02\n";
    EXPECT_EQ(StateFile::LoadFrom(dir.file("short.txt"), s, error), StateFile::Load::Bad);
    std::ofstream(dir.file("model.txt")) << "model = TOO-SHORT\n";
    EXPECT_EQ(StateFile::LoadFrom(dir.file("model.txt"), s, error), StateFile::Load::Bad);
    // Larger than the printer keeps: a file it never wrote.
    std::ofstream(dir.file("image.txt")) << "image.1 = " << std::string(2 * PrinterState::kMaxImageFile + 2, 'f');
    EXPECT_EQ(StateFile::LoadFrom(dir.file("image.txt"), s, error), StateFile::Load::Bad);
    EXPECT_NE(error.find(":1: bad value for image.1: more than the 131072 bytes kept"), std::string::npos) << error;
}

TEST(KovaSimStateFile, SaveSyncsTheNewFileBeforeTheRenameAndTheFolderAfter)
{
    TempDir dir;
    const std::string folder = std::filesystem::canonical(dir.path());
    PrinterState s;
    std::vector<std::string> calls;
    synced = &calls;
    std::string error;
    const bool saved = StateFile::Save(folder + "/state.txt", s, error);
    synced = nullptr;
    ASSERT_TRUE(saved) << error;
    // The new file is synced while it still has its own name, then the folder that holds the rename.
    EXPECT_EQ(calls, (std::vector<std::string>{folder + "/state.txt.new", folder}));
}

TEST(KovaSimStateFile, AKillDuringASaveLeavesTheOldFileOrTheNew)
{
    TempDir dir;
    const std::string path = dir.file("state.txt");
    PrinterState small, large;
    large.StoreImage(1, std::vector<uint8_t>(PrinterState::kMaxImageFile, 0xA5));
    large.SetMessage(3, 0x11, std::vector<uint8_t>(PrinterState::kMaxMessageText, 'm'));
    const std::string texts[] = {StateFile::Text(small), StateFile::Text(large)};
    std::string error;
    ASSERT_TRUE(StateFile::Save(path, small, error)) << error;
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Saves one and the other for ever, until killed.
            for (std::string e;;) {
                StateFile::Save(path, large, e);
                StateFile::Save(path, small, e);
            }
        }
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        PrinterState back;
        ASSERT_EQ(StateFile::LoadFrom(path, back, error), StateFile::Load::Loaded) << error << " round " << round;
        const std::string text = StateFile::Text(back);
        EXPECT_TRUE(text == texts[0] || text == texts[1]) << "round " << round;
        EXPECT_EQ(TempDir::Read(path), text) << "round " << round;
    }
}

TEST(KovaSimState, OnlyThreeImagesAreKeptOldestGoesFirst)
{
    PrinterState s;
    s.StoreImage(1, {1});
    s.StoreImage(2, {2});
    s.StoreImage(3, {3});
    s.StoreImage(2, {22});  // replacing keeps the count
    s.StoreImage(4, {4});
    EXPECT_FALSE(s.StoreImage(5, std::vector<uint8_t>(PrinterState::kMaxImageFile + 1)));
    EXPECT_EQ(s.image(1), nullptr);
    ASSERT_NE(s.image(2), nullptr);
    EXPECT_EQ(s.image(2)->file, std::vector<uint8_t>{22});
    EXPECT_NE(s.image(3), nullptr);
    EXPECT_NE(s.image(4), nullptr);
}

TEST(KovaSimState, ModelAndFirmwareRepliesCarryTheCodeWhereTheToolLooks)
{
    PrinterState s;
    s.modelCode = "ABCDEFGHIJKL";
    s.firmware = "0946";
    const auto m = s.modelReply();
    std::string code;
    for (int i : {1, 2, 3, 4, 6, 7, 8, 10, 11, 12, 14, 15})
        code.push_back(static_cast<char>(m[i]));
    EXPECT_EQ(code, "ABCDEFGHIJKL");
    const auto f = s.firmwareReply();
    EXPECT_EQ((f[1] - '0') * 10 + (f[2] - '0'), 9);
    EXPECT_EQ((f[3] - '0') * 10 + (f[4] - '0'), 46);
    // The default is neither of the two special model families.
    PrinterState d;
    EXPECT_FALSE(d.modelCode[5] == '0' && d.modelCode[6] == '0');
    EXPECT_NE(d.modelCode.substr(10, 2), "CN");
}

TEST(KovaSimPng, PictureReadsBackDotForDot)
{
    TempDir dir;
    Bitmap b(20, 100);
    b.Set(0, 0);
    b.Set(19, 2);
    b.Set(7, 3);
    const std::string path = dir.file("p.png");
    ASSERT_TRUE(PngWriter::WriteFile(path, b, 5));  // taller than the bitmap: white below
    const auto png = PngReader::Load(path);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 20);
    EXPECT_EQ(png->height, 5);
    EXPECT_EQ(png->blackCount(), 3);
    EXPECT_TRUE(png->at(0, 0));
    EXPECT_TRUE(png->at(19, 2));
    EXPECT_TRUE(png->at(7, 3));
    EXPECT_EQ(PngWriter::Encode(b, 5), PngWriter::Encode(b, 5));
}
