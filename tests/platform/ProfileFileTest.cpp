#include "platform/ProfileFile.h"
#include "platform/SystemError.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::ProfileFile;
using testing_support::TempDir;

namespace {

ProfileFile Parsed(const std::string &text)
{
    ProfileFile file;
    file.Parse(text);
    return file;
}

}  // namespace

TEST(ProfileFileRead, SectionStartsAtFirstNonBlankBracketAndEndsAtLastBracket)
{
    auto file = Parsed("  [Properties settings]:\r\nKnife=Disabled\r\n[x]y]\r\nk=v\r\n");
    EXPECT_EQ(file.value("Properties settings", "Knife", "", 259), "Disabled");
    EXPECT_EQ(file.value("x]y", "k", "", 259), "v");
}

TEST(ProfileFileRead, NamesCompareWithoutCaseAndBlanksAreTrimmed)
{
    auto file = Parsed("[initial]\n  comport   =   COM3  \n");
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "COM3");
    EXPECT_EQ(file.value("Initial", "ComPort ", "NULL", 99), "COM3");
}

TEST(ProfileFileRead, FirstLineOfAKeyCounts)
{
    auto file = Parsed("[A]\nkey=first\nKEY=second\n");
    EXPECT_EQ(file.value("A", "key", "", 99), "first");
}

TEST(ProfileFileRead, KeysOutsideTheirSectionAreNotSeen)
{
    auto file = Parsed("key=top\n[A]\nother=1\n[B]\nkey=inB\n");
    EXPECT_EQ(file.value("A", "key", "missing", 99), "missing");
    EXPECT_EQ(file.value("B", "key", "missing", 99), "inB");
    EXPECT_EQ(file.value("C", "key", "missing", 99), "missing");
}

TEST(ProfileFileRead, ValueIsCutAtTheCallersLimit)
{
    auto file = Parsed("[A]\nk=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(file.value("A", "k", "", 99).size(), 99u);
    EXPECT_EQ(file.value("A", "k", "", 259).size(), 259u);
}

TEST(ProfileFileRead, MissingEmptyAndBinaryFilesGiveTheFallback)
{
    TempDir dir;
    ProfileFile file;
    EXPECT_TRUE(file.Load(dir.file("absent.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");

    TempDir::Write(dir.file("empty.inf"), "");
    EXPECT_TRUE(file.Load(dir.file("empty.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");

    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary.push_back(static_cast<char>(i));
    }
    TempDir::Write(dir.file("binary.inf"), binary + binary);
    EXPECT_TRUE(file.Load(dir.file("binary.inf")));
    EXPECT_EQ(file.value("INITIAL", "COMPORT", "NULL", 99), "NULL");
}

TEST(ProfileFileRead, UnreadableFileReportsTheReason)
{
    TempDir dir;
    ProfileFile file;
    int error = 0;
    // A folder cannot be read as a file, even by root.
    EXPECT_FALSE(file.Load(dir.path(), &error));
    EXPECT_NE(error, 0);
}

TEST(ProfileFileWrite, ChangesTheKeyLineInPlaceAndKeepsEverythingElse)
{
    auto file =
        Parsed("; comment\r\n[DEVICES]\r\nCOM3=/dev/ttyUSB0\r\n\r\n[INITIAL]\r\nCOMPORT = COM1\r\nBAUDRATE=9600\r\n"
               "[Other]\r\nx=1\r\n");
    file.SetValue("INITIAL", "COMPORT", "LAN");
    EXPECT_EQ(file.text(),
              "; comment\r\n[DEVICES]\r\nCOM3=/dev/ttyUSB0\r\n\r\n[INITIAL]\r\nCOMPORT=LAN\r\nBAUDRATE=9600\r\n"
              "[Other]\r\nx=1\r\n");
}

TEST(ProfileFileWrite, AddsAMissingKeyAtTheEndOfItsSection)
{
    auto file = Parsed("[INITIAL]\nCOMPORT=COM1\n\n[Other]\nx=1\n");
    file.SetValue("initial", "BAUDRATE", "9600");
    EXPECT_EQ(file.text(), "[INITIAL]\nCOMPORT=COM1\nBAUDRATE=9600\n\n[Other]\nx=1\n");
}

TEST(ProfileFileWrite, AddsAMissingSectionAtTheEnd)
{
    auto file = Parsed("[Other]\nx=1");
    file.SetValue("INITIAL", "COMPORT", "COM2");
    EXPECT_EQ(file.text(), "[Other]\nx=1\n[INITIAL]\nCOMPORT=COM2\n");

    ProfileFile fresh;
    fresh.Parse("");
    fresh.SetValue("INITIAL", "COMPORT", "COM2");
    EXPECT_EQ(fresh.text(), "[INITIAL]\nCOMPORT=COM2\n");
}

TEST(ProfileFileWrite, SaveRoundTripsThroughTheDisk)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::Write(path, "[Keep]\nthis=line\n");
    ProfileFile file;
    ASSERT_TRUE(file.Load(path));
    file.SetValue("INITIAL", "COMPORT", "LAN");
    int error = 0;
    ASSERT_TRUE(file.Save(path, &error)) << platform::SystemError::Text(error);
    EXPECT_EQ(TempDir::Read(path), "[Keep]\nthis=line\n[INITIAL]\nCOMPORT=LAN\n");
}
