#include "rollvane/app/MainWindow.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/support/PtyPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using rollvane::MainWindow;
using testing_support::PtyPrinter;
using testing_support::RecordingUserInterface;
using testing_support::TempDir;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::string iniPath() const { return dir.file("inifile.inf"); }
    void WriteIni(const std::string &text) { TempDir::Write(iniPath(), text); }

    TempDir dir;
    RecordingUserInterface ui;
    platform::VirtualClock clock;
};

}  // namespace

TEST_F(MainWindowTest, FirstRunWithoutTheFile)
{
    MainWindow window(ui, clock, iniPath());
    const auto &s = window.interfaceDialog().settings();
    EXPECT_EQ(s.portText, "NULL");
    EXPECT_EQ(s.baudText, "NULL");
    EXPECT_EQ(s.stopBitsText, "NULL");
    EXPECT_EQ(s.parityText, "NULL");
    EXPECT_EQ(s.flowText, "NULL");
    EXPECT_EQ(s.ipAddress, 0xFFFFFFFFu);
    EXPECT_EQ(window.link().linkType, rollvane::LinkSerial);
    EXPECT_EQ(window.link().flowControl, "NULL");
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_TRUE(window.pageShown(1));

    // The person picks LAN 127.0.0.1 and leaves: the file holds that.
    ui.onInterfaceProperties = [&] {
        window.interfaceDialog().settings().portText = "LAN";
        window.interfaceDialog().SetIpAddress(0x7F000001u);
        window.interfaceDialog().Accept(ui);
    };
    window.RunInterfaceProperties();
    EXPECT_EQ(window.link().linkType, rollvane::LinkNetwork);
    ASSERT_TRUE(window.WriteInterfaceSettings());
    EXPECT_EQ(TempDir::Read(iniPath()), "[INITIAL]\nCOMPORT=LAN\nBAUDRATE=NULL\nSTOPBITS=NULL\nPARITY=NULL\n"
                                        "F.CONTROL=NULL\nIP.ADDRESS=2130706433\nCOMMUNICATION=4\n");
}

TEST_F(MainWindowTest, DottedAddressWrittenByHandIsWrittenBackAsANumber)
{
    WriteIni("[INITIAL]\r\nCOMPORT=LAN\r\nIP.ADDRESS=192.168.1.10\r\nCOMMUNICATION=4\r\n");
    MainWindow window(ui, clock, iniPath());
    EXPECT_EQ(window.interfaceDialog().settings().ipAddress, 0xC0A8010Au);
    ASSERT_TRUE(window.WriteInterfaceSettings());
    EXPECT_NE(TempDir::Read(iniPath()).find("IP.ADDRESS=3232235786\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, CancelledDialogKeepsTheFilesLinkType)
{
    WriteIni("[INITIAL]\nCOMPORT=LAN\nCOMMUNICATION=4\n");
    MainWindow window(ui, clock, iniPath());
    std::vector<bool> exitStates;
    window.onExitEnabledChanged = [&](bool enabled) { exitStates.push_back(enabled); };
    window.RunInterfaceProperties();  // cancelled: the recorder chooses nothing
    EXPECT_EQ(window.link().linkType, rollvane::LinkNetwork);
    EXPECT_EQ(exitStates, (std::vector<bool>{false, true}));

    // Confirming with OK takes the link type from the port name instead.
    ui.onInterfaceProperties = [&] {
        window.interfaceDialog().settings().portText = "LPT1";
        window.interfaceDialog().Accept(ui);
    };
    window.RunInterfaceProperties();
    EXPECT_EQ(window.link().linkType, rollvane::LinkParallel);
}

TEST_F(MainWindowTest, UnknownLinkTypeMakesEveryOperationFailUntilConfirmed)
{
    WriteIni("[INITIAL]\nCOMPORT=COM3\nCOMMUNICATION=7\n");
    MainWindow window(ui, clock, iniPath());
    window.RunInterfaceProperties();
    EXPECT_EQ(window.link().linkType, 7);
    EXPECT_EQ(window.link().Open("COM3"), 0);
    uint8_t status[rollvane::PrinterLink::kStatusBufferSize] = {};
    EXPECT_EQ(window.link().QueryStatus(status), 0);
    const uint8_t init[] = {0x1B, 0x40};
    EXPECT_EQ(window.link().Send(init, 2), 0);
}

TEST_F(MainWindowTest, TabRules)
{
    MainWindow window(ui, clock, iniPath());
    window.SelectTab(4);
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        EXPECT_EQ(window.pageShown(i), i == 4) << i;
    }
    window.ShowPage(9);
    for (int i = 0; i < MainWindow::kPageCount; ++i) {
        EXPECT_FALSE(window.pageShown(i)) << i;
    }
    EXPECT_EQ(window.currentPage(), 9);
}

TEST_F(MainWindowTest, PrintConfigurationsStopsAtABusyPrinter)
{
    PtyPrinter printer;
    printer.Answer({0x1B, 0x68}, {0x08});
    WriteIni("[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\nF.CONTROL=Xon/Xoff\n"
             "COMMUNICATION=0\n[DEVICES]\nCOM3=" +
             printer.slavePath() + "\n");
    MainWindow window(ui, clock, iniPath());
    ui.onMessage = [&](const RecordingUserInterface::Message &) { EXPECT_FALSE(window.exitEnabled()); };
    window.interfaceDialog().Accept(ui);
    window.PrintConfigurations();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please check for any error condition on printer!");
    EXPECT_EQ(ui.messages[0].caption, "Interface Busy");
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Exclamation);
    EXPECT_FALSE(window.link().isOpen());
    EXPECT_TRUE(window.exitEnabled());
    // Only the status request reached the printer: nothing was printed.
    EXPECT_EQ(printer.received(), (std::vector<uint8_t>{0x1B, 0x68}));
}

TEST_F(MainWindowTest, PrintConfigurationsReportsAPortThatCannotBeOpened)
{
    WriteIni("[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\nF.CONTROL=Xon/Xoff\n"
             "[DEVICES]\nCOM3=" +
             dir.file("no-such-port") + "\n");
    MainWindow window(ui, clock, iniPath());
    window.PrintConfigurations();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Unable to get serial port handle!");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Stop);
    EXPECT_TRUE(window.exitEnabled());
}

TEST_F(MainWindowTest, SettingsFileThatCannotBeWrittenIsReported)
{
    MainWindow window(ui, clock, dir.file("missing-folder/inifile.inf"));
    EXPECT_FALSE(window.WriteInterfaceSettings());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_NE(ui.messages[0].text.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(ui.messages[0].icon, rollvane::MessageIcon::Stop);
}
