#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::ProfileFile;
using testing_support::TempDir;

namespace {

ProfileFile parsed(const std::string &text)
{
    ProfileFile file;
    file.parse(text);
    return file;
}

}  // namespace

TEST(ProfileFileRead, SectionStartsAtFirstNonBlankBracketAndEndsAtLastBracket)
{
    auto file = parsed("  [Properties settings]:\r\nKnife=Disabled\r\n[x]y]\r\nk=v\r\n");
    EXPECT_EQ(file.value("Properties settings", "Knife", "", 259), "Disabled");
    EXPECT_EQ(file.value("x]y", "k", "", 259), "v");
}

TEST(ProfileFileRead, NamesCompareWithoutCaseAndBlanksAreTrimmed)
{
    auto file = parsed("[initial]\n  comport   =   COM3  \n");
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "COM3");
    EXPECT_EQ(file.value("Initial", "ComPort ", "NULL", 99), "COM3");
}

TEST(ProfileFileRead, FirstLineOfAKeyCounts)
{
    auto file = parsed("[A]\nkey=first\nKEY=second\n");
    EXPECT_EQ(file.value("A", "key", "", 99), "first");
}

TEST(ProfileFileRead, KeysOutsideTheirSectionAreNotSeen)
{
    auto file = parsed("key=top\n[A]\nother=1\n[B]\nkey=inB\n");
    EXPECT_EQ(file.value("A", "key", "missing", 99), "missing");
    EXPECT_EQ(file.value("B", "key", "missing", 99), "inB");
    EXPECT_EQ(file.value("C", "key", "missing", 99), "missing");
}

TEST(ProfileFileRead, ValueIsCutAtTheCallersLimit)
{
    auto file = parsed("[A]\nk=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(file.value("A", "k", "", 99).size(), 99u);
    EXPECT_EQ(file.value("A", "k", "", 259).size(), 259u);
}

TEST(ProfileFileRead, MissingEmptyAndBinaryFilesGiveTheFallback)
{
    TempDir dir;
    ProfileFile file;
    EXPECT_TRUE(file.load(dir.file("absent.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");

    TempDir::write(dir.file("empty.inf"), "");
    EXPECT_TRUE(file.load(dir.file("empty.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");

    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary.push_back(static_cast<char>(i));
    }
    TempDir::write(dir.file("binary.inf"), binary + binary);
    EXPECT_TRUE(file.load(dir.file("binary.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");
}

TEST(ProfileFileRead, UnreadableFileReportsTheReason)
{
    TempDir dir;
    ProfileFile file;
    std::string error;
    // A folder cannot be read as a file, even by root.
    EXPECT_FALSE(file.load(dir.path(), &error));
    EXPECT_FALSE(error.empty());
}

TEST(ProfileFileWrite, ChangesTheKeyLineInPlaceAndKeepsEverythingElse)
{
    auto file =
        parsed("; comment\r\n[DEVICES]\r\nCOM3=/dev/ttyUSB0\r\n\r\n[INITIAL]\r\nCOMPORT = COM1\r\nBAUDRATE=9600\r\n"
               "[Other]\r\nx=1\r\n");
    file.setValue("INITIAL", "COMPORT", "LAN");
    EXPECT_EQ(file.text(),
              "; comment\r\n[DEVICES]\r\nCOM3=/dev/ttyUSB0\r\n\r\n[INITIAL]\r\nCOMPORT=LAN\r\nBAUDRATE=9600\r\n"
              "[Other]\r\nx=1\r\n");
}

TEST(ProfileFileWrite, AddsAMissingKeyAtTheEndOfItsSection)
{
    auto file = parsed("[INITIAL]\nCOMPORT=COM1\n\n[Other]\nx=1\n");
    file.setValue("initial", "BAUDRATE", "9600");
    EXPECT_EQ(file.text(), "[INITIAL]\nCOMPORT=COM1\nBAUDRATE=9600\n\n[Other]\nx=1\n");
}

TEST(ProfileFileWrite, AddsAMissingSectionAtTheEnd)
{
    auto file = parsed("[Other]\nx=1");
    file.setValue("INITIAL", "COMPORT", "COM2");
    EXPECT_EQ(file.text(), "[Other]\nx=1\n[INITIAL]\nCOMPORT=COM2\n");

    ProfileFile fresh;
    fresh.parse("");
    fresh.setValue("INITIAL", "COMPORT", "COM2");
    EXPECT_EQ(fresh.text(), "[INITIAL]\nCOMPORT=COM2\n");
}

TEST(ProfileFileWrite, SaveRoundTripsThroughTheDisk)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::write(path, "[Keep]\nthis=line\n");
    ProfileFile file;
    ASSERT_TRUE(file.load(path));
    file.setValue("INITIAL", "COMPORT", "LAN");
    std::string error;
    ASSERT_TRUE(file.save(path, &error)) << error;
    EXPECT_EQ(TempDir::read(path), "[Keep]\nthis=line\n[INITIAL]\nCOMPORT=LAN\n");
}
