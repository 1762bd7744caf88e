#include "rollvane/app/InterfaceSettingsFile.h"
#include "platform/SystemError.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using rollvane::InterfaceSettings;
using rollvane::InterfaceSettingsFile;
using testing_support::TempDir;

TEST(InterfaceSettingsFile, MissingFileGivesNullEverywhere)
{
    TempDir dir;
    InterfaceSettingsFile file(dir.file("inifile.inf"));
    auto values = file.Read();
    EXPECT_EQ(values.portText, "NULL");
    EXPECT_EQ(values.baudText, "NULL");
    EXPECT_EQ(values.stopBitsText, "NULL");
    EXPECT_EQ(values.parityText, "NULL");
    EXPECT_EQ(values.flowText, "NULL");
    EXPECT_EQ(values.ipAddress, 0xFFFFFFFFu);
    EXPECT_EQ(values.linkType, rollvane::LinkSerial);
}

TEST(InterfaceSettingsFile, ReadsTheSevenKeysAndTheDevices)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::Write(path, "[INITIAL]\r\nCOMPORT=LAN\r\nBAUDRATE=9600\r\nSTOPBITS=2\r\nPARITY=EVEN\r\n"
                         "F.CONTROL=DTR/DSR\r\nIP.ADDRESS=192.168.1.10\r\nCOMMUNICATION=4\r\n"
                         "[DEVICES]\r\nCOM3=/dev/ttyUSB0\r\nORNUSB=0x1a2b:0x0001\r\n");
    auto values = InterfaceSettingsFile(path).Read();
    EXPECT_EQ(values.portText, "LAN");
    EXPECT_EQ(values.baudText, "9600");
    EXPECT_EQ(values.stopBitsText, "2");
    EXPECT_EQ(values.parityText, "EVEN");
    EXPECT_EQ(values.flowText, "DTR/DSR");
    EXPECT_EQ(values.ipAddress, 0xC0A8010Au);
    EXPECT_EQ(values.linkType, rollvane::LinkNetwork);
    EXPECT_EQ(values.devices.path("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(values.devices.entry("ORNUSB").value_or(""), "0x1a2b:0x0001");
    EXPECT_EQ(values.devices.path("COM1"), "/dev/ttyS0");
}

TEST(InterfaceSettingsFile, CommunicationFollowsTheDecimalRule)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::Write(path, "[INITIAL]\nCOMMUNICATION=7\n");
    EXPECT_EQ(InterfaceSettingsFile(path).Read().linkType, 7);
    TempDir::Write(path, "[INITIAL]\nCOMMUNICATION=3rd\n");
    EXPECT_EQ(InterfaceSettingsFile(path).Read().linkType, 3);
    TempDir::Write(path, "[INITIAL]\nCOMMUNICATION=LAN\n");
    EXPECT_EQ(InterfaceSettingsFile(path).Read().linkType, 0);
}

TEST(InterfaceSettingsFile, ValuesAreCutAt99Characters)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::Write(path, "[INITIAL]\nCOMPORT=" + std::string(150, 'C') + "\n");
    EXPECT_EQ(InterfaceSettingsFile(path).Read().portText.size(), 99u);
}

TEST(InterfaceSettingsFile, WritesTheKeysInOrderAndKeepsOtherSections)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    TempDir::Write(path, "; kept\n[DEVICES]\nCOM3=/dev/ttyUSB0\n\n[INITIAL]\nIP.ADDRESS=192.168.1.10\nEXTRA=kept\n");
    InterfaceSettingsFile file(path);
    InterfaceSettings s;
    s.portText = "COM3";
    s.baudText = "115200";
    s.stopBitsText = "1";
    s.parityText = "NONE";
    s.flowText = "Xon/Xoff";
    s.ipText = "3232235786";
    int error = 0;
    ASSERT_TRUE(file.Write(s, rollvane::LinkSerial, &error)) << platform::SystemError::Text(error);
    EXPECT_EQ(TempDir::Read(path), "; kept\n[DEVICES]\nCOM3=/dev/ttyUSB0\n\n[INITIAL]\nIP.ADDRESS=3232235786\n"
                                   "EXTRA=kept\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\n"
                                   "F.CONTROL=Xon/Xoff\nCOMMUNICATION=0\n");
}

TEST(InterfaceSettingsFile, FirstRunCreatesTheFile)
{
    TempDir dir;
    const std::string path = dir.file("inifile.inf");
    InterfaceSettings s;
    s.portText = "LAN";
    s.baudText = "NULL";
    s.stopBitsText = "NULL";
    s.parityText = "NULL";
    s.flowText = "NULL";
    s.ipText = "2130706433";
    ASSERT_TRUE(InterfaceSettingsFile(path).Write(s, rollvane::LinkNetwork, nullptr));
    EXPECT_EQ(TempDir::Read(path), "[INITIAL]\nCOMPORT=LAN\nBAUDRATE=NULL\nSTOPBITS=NULL\nPARITY=NULL\n"
                                   "F.CONTROL=NULL\nIP.ADDRESS=2130706433\nCOMMUNICATION=4\n");
    auto values = InterfaceSettingsFile(path).Read();
    EXPECT_EQ(values.ipAddress, 0x7F000001u);
}

TEST(InterfaceSettingsFile, UnwritableFolderReportsTheReasonAndKeepsTheOldFile)
{
    TempDir dir;
    InterfaceSettings s;
    int error = 0;
    EXPECT_FALSE(InterfaceSettingsFile(dir.file("missing/inifile.inf")).Write(s, 0, &error));
    EXPECT_EQ(error, ENOENT);
}

// What cannot be read gives the defaults and says why, without waiting on a FIFO or reading a
// huge file; the end of the run never replaces it.
TEST(InterfaceSettingsFile, AnUnreadableFileIsNeitherWaitedForNorReplaced)
{
    const struct {
        const char *name;
        int error;
    } cases[] = {{"folder", EISDIR}, {"fifo", EINVAL}, {"huge", EFBIG}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("inifile.inf");
        if (std::string(c.name) == "folder") {
            ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        } else if (std::string(c.name) == "fifo") {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else {
            std::string huge = "[INITIAL]\nCOMPORT=LAN\n[DEVICES]\n";
            for (int i = 0; huge.size() <= (1 << 20); ++i) {
                huge += "COM" + std::to_string(i) + "=/dev/ttyUSB0\n";
            }
            TempDir::Write(path, huge);
        }
        InterfaceSettingsFile file(path);
        const auto values = file.Read();
        EXPECT_EQ(values.readError, c.error);
        EXPECT_EQ(values.portText, "NULL");
        InterfaceSettings settings;
        int error = 0;
        EXPECT_FALSE(file.Write(settings, rollvane::LinkSerial, &error));
        EXPECT_EQ(error, c.error);
    }
}
