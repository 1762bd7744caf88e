// The page's printer buttons against a printer played on a pseudo-terminal, and its file
// buttons against real files.
#include "rollvane/settings/SettingsPage.h"
#include "platform/VirtualClock.h"
#include "rollvane/app/InterfacePropertiesDialog.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/link/SerialPortLine.h"
#include "tests/link/ShortWriteSerialLine.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include <sys/stat.h>

#include <filesystem>

namespace rollvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::RecordingUserInterface;

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kStatus = {0x1B, 0x68};
const Bytes kInit = {0x1B, 0x40, 0x10};
const Bytes kModelQueries = {0x1D, 0x49, 0x40, 0x27, 0x1D, 0x49, 0x40, 0xA3};
const Bytes kEnd = {0x1D, 0xFF};
Bytes Set(uint8_t item, uint8_t value)
{
    return {0x1F, 0x36, item, value, 0xFF};
}

class SettingsPageTest : public ::testing::Test {
protected:
    SettingsPageTest()
        : link(ui, clock), dialog("COM3", "115200", "1", "NONE", "Xon/Xoff", 0), page(link, dialog.settings())
    {
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        dialog.settings().linkType = LinkSerial;
    }

    void SetLists(const PrinterSettings &settings)
    {
        for (int n = 1; n <= 38; ++n) {
            page.SetListText(n, settings.text(n));
        }
    }
    std::vector<std::string> lists() const
    {
        std::vector<std::string> texts;
        for (int n = 1; n <= 38; ++n) {
            texts.push_back(page.listText(n));
        }
        return texts;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + ": " + m.text);
        }
        return lines;
    }

    settings_testing::ScriptedSettingsPrinter printer;
    RecordingUserInterface ui;
    platform::VirtualClock clock;
    PrinterLink link;
    InterfacePropertiesDialog dialog;
    SettingsPage page;
};

TEST_F(SettingsPageTest, AllEmptyWriteOnTheWire)
{
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + kEnd);
    EXPECT_EQ(messages(), std::vector<std::string>{"Complete: Change Settings Complete.\n"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(ui.interfacePropertiesShown, 0);
    const std::vector<std::string> progress = {"progress open",
                                               "progress message Initializing printer...",
                                               "progress range 30",
                                               "progress position 1",
                                               "progress message Change printer setting",
                                               "progress range 100",
                                               "progress position 0",
                                               "progress position 25",
                                               "progress position 50",
                                               "progress position 75",
                                               "progress position 100",
                                               "progress close",
                                               "message Complete: Change Settings Complete.\n"};
    EXPECT_EQ(ui.events, progress);
    EXPECT_FALSE(link.isOpen());
    // The printer restarts: three seconds of waiting after the end of the settings.
    EXPECT_GE(clock.totalSlept(), std::chrono::seconds(3));
}

TEST_F(SettingsPageTest, OnlyKnife)
{
    page.SetListText(25, "Disabled");
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + Set(0x33, 0x01) + kEnd);
    EXPECT_EQ(messages(), std::vector<std::string>{"Complete: Change Settings Complete.\n"});
    EXPECT_EQ(ui.interfacePropertiesShown, 0);
}

TEST_F(SettingsPageTest, OnlyBaudRateResetsTheInterface)
{
    page.SetListText(2, "4800");
    ui.onInterfaceProperties = [this] {
        // The person's answer in the dialog, then the carry runs again.
        EXPECT_EQ(dialog.settings().baudText, "4800");
        EXPECT_FALSE(link.isOpen());
        dialog.settings().baudText = "9600";
        dialog.settings().linkType = LinkParallel;
    };
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x11, 0x05) + Set(0x12, 0x00) + kModelQueries + kEnd);
    EXPECT_EQ(messages(), std::vector<std::string>{"Complete: Change Settings Complete.\n"
                                                   "And please reset the communication parameter."});
    EXPECT_EQ(ui.interfacePropertiesShown, 1);
    EXPECT_EQ(dialog.settings().baudText, "4800");
    EXPECT_EQ(dialog.settings().baudRate, 4800);
    EXPECT_EQ(link.linkType, LinkParallel);
    EXPECT_EQ(link.flowControl, "Xon/Xoff");
    EXPECT_EQ(ui.events.back(), "interface properties");
}

TEST_F(SettingsPageTest, CarryRules)
{
    PrinterSettings settings;
    InterfaceSettings interface;
    interface.baudText = "115200";
    interface.parityText = "NONE";
    interface.stopBitsText = "1";
    interface.flowText = "DTR/DSR";
    settings.text(2) = "300";
    settings.text(3) = "odd";
    settings.text(5) = "3";
    settings.text(6) = "xon/xoff";
    SettingsPage::CarryInterfaceValues(settings, interface);
    EXPECT_EQ(interface.baudText, "115200");
    EXPECT_EQ(interface.parityText, "ODD");
    EXPECT_EQ(interface.stopBitsText, "1");
    EXPECT_EQ(interface.flowText, "DTR/DSR");
    settings.text(2) = "1200";
    settings.text(5) = "2";
    settings.text(6) = "Xon/Xoff";
    SettingsPage::CarryInterfaceValues(settings, interface);
    EXPECT_EQ(interface.baudText, "1200");
    EXPECT_EQ(interface.baudRate, 1200);
    EXPECT_EQ(interface.stopBitsText, "2");
    EXPECT_EQ(interface.stopBits, 2);
    EXPECT_EQ(interface.flowText, "Xon/Xoff");
}

TEST_F(SettingsPageTest, BusyPrinterBeforeTheWrite)
{
    printer.SetStatusAnswers({0x08});
    page.SetListText(25, "Disabled");
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus);
    EXPECT_EQ(messages(), std::vector<std::string>{"Interface Busy: Please check for any error condition on printer!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SettingsPageTest, PrinterTurnsBusyInsideTheWrite)
{
    printer.SetStatusAnswers({0x00, 0xFF});
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus);
    EXPECT_EQ(messages(), std::vector<std::string>{"Interface Busy: Please check for any error condition on printer!"});
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SettingsPageTest, ValidationEmptiesEveryText)
{
    for (int n = 1; n <= 38; ++n) {
        page.SetListText(n, SettingsTable::Item(n).options[0]);
    }
    page.SetListText(6, "xon/xoff");
    page.ApplySettings();
    EXPECT_EQ(messages(), std::vector<std::string>{"Invalid Properties: Please select the appropriate properties!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.messages[0].cause,
              "Flow Control: \"xon/xoff\" is not one of \"Xon/Xoff\", \"DTR/DSR\" (letter case counts)");
    EXPECT_EQ(lists(), std::vector<std::string>(38));
    EXPECT_TRUE(page.settings().allEmpty());
    EXPECT_TRUE(printer.Received().empty());
}

TEST_F(SettingsPageTest, VornLModelRefusesSizeOneAndGoesOn)
{
    printer.SetModelCode("KOVA500AX0CN");
    page.SetListText(15, "VALID/SIZE 1");
    page.SetListText(16, "INVALID");
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + Set(0x71, 0x01) + kEnd);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Error: Vorn-L model, only Font Size 2 can be set",
                                                    "Complete: Change Settings Complete.\n"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
}

TEST_F(SettingsPageTest, UsbTypeFollowsTheFirmwareReadJustBefore)
{
    page.SetListText(12, "USB COM");
    page.SetListText(38, "Fixed Type");
    printer.SetFirmware("0406");
    page.ApplySettings();
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + kEnd);
    ui.messages.clear();
    printer.SetFirmware("0407");
    page.ApplySettings();
    const Bytes once = kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + kEnd;
    EXPECT_EQ(printer.Received(),
              once + kStatus + kStatus + kInit + Set(0x12, 0x00) + kModelQueries + Set(0x68, 0x05) + kEnd);
}

Bytes ConfigReads()
{
    Bytes bytes;
    for (uint8_t n = 1; n <= 31; ++n) {
        bytes = bytes + kInit + Bytes{0x1F, 0x31, n};
    }
    return bytes;
}

TEST_F(SettingsPageTest, LoadPrinterDecodesAndShows)
{
    printer.SetConfigByte(1, 0x02);
    printer.SetConfigByte(2, 0x84);  // 9600, ODD
    printer.SetConfigByte(5, 0x20);  // knife disabled
    printer.SetConfigByte(6, 0x90);
    printer.SetConfigByte(26, 0x00);
    printer.SetConfigByte(31, 0x01);  // on-demand pre-defined back
    printer.SetConfigByte(27, 0xEE);
    printer.SetConfigByte(28, 0x07);
    printer.SetConfigByte(29, 0x0B);
    page.SetListText(9, "Disabled");  // never read back: stays
    page.LoadFromPrinter();
    EXPECT_EQ(printer.Received(), kStatus + ConfigReads() + kModelQueries);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(page.listText(1), "RS232/USB");
    EXPECT_EQ(page.listText(2), "9600");
    EXPECT_EQ(page.listText(3), "ODD");
    EXPECT_EQ(page.listText(25), "Disabled");
    EXPECT_EQ(page.listText(27), "866");
    EXPECT_EQ(page.listText(30), "DS wt On-demand Pre-def Back");
    EXPECT_EQ(SettingsPage::ShowRule(30, page.listText(30)).index, -1);  // typed text
    EXPECT_EQ(page.listText(35), "10 Inch");
    EXPECT_EQ(page.listText(12), "USB COM");
    EXPECT_EQ(page.listText(38), "Fixed Type");
    EXPECT_EQ(page.listText(9), "Disabled");
    EXPECT_EQ(page.listText(11), "");
    std::vector<std::string> positions;
    for (const auto &event : ui.events) {
        if (event.rfind("progress position ", 0) == 0) {
            positions.push_back(event.substr(18));
        }
    }
    std::vector<std::string> expected = {"0", "1"};
    for (int n = 1; n <= 31; ++n) {
        expected.push_back(std::to_string(3 * n));
    }
    expected.push_back("75");
    expected.push_back("100");
    EXPECT_EQ(positions, expected);
    EXPECT_EQ(ui.events[1], "progress message Loading printer configurations, please wait...");
    EXPECT_EQ(ui.events[2], "progress range 100");
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_FALSE(link.isOpen());
}

// Unanswered before the write goes on; unanswered twice inside it is a time-out, bar left at 2.
TEST_F(SettingsPageTest, ChangeSettingsOnAPrinterThatNeverAnswers)
{
    printer.SetStatusAnswers({std::nullopt});
    page.SetListText(25, "Disabled");
    EXPECT_EQ(page.ApplySettings(), 0);
    const Bytes queries = kStatus + kStatus + kStatus;
    const Bytes received = printer.Received();
    ASSERT_GE(received.size(), queries.size());
    EXPECT_EQ(Bytes(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(queries.size())), queries);
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Timeout while sending data block!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.lastProgressRange, 30u);
    EXPECT_EQ(ui.lastProgressPosition, 2u);
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_EQ(ui.interfacePropertiesShown, 0);
    EXPECT_FALSE(link.isOpen());
}

// A set command the port stops taking midway: the release byte still goes out, the progress
// window closes and the time-out is reported with its cause; although the baud rate was among
// the items, nothing asks for the interface to be reset.
TEST_F(SettingsPageTest, SetCommandCutOffMidway)
{
    // Writes: two status requests, 1B 40, 10, the baud rate's set command; then the next set
    // command moves two bytes and the port takes no more.
    link_test::ShortWriteSerialLine::Script script;
    script.writeLimits.assign(5, SIZE_MAX);
    script.writeLimits.insert(script.writeLimits.end(), {2, 0});
    LinkFacilities facilities = LinkFacilities::Real();
    facilities.openSerial = [&script](const std::string &path, int *error) -> std::unique_ptr<SerialLine> {
        auto line = SerialPortLine::Open(path, error);
        return line ? std::make_unique<link_test::ShortWriteSerialLine>(std::move(line), script) : nullptr;
    };
    PrinterLink stalling(ui, clock, std::move(facilities));
    stalling.devices().SetEntry("COM3", printer.slavePath());
    SettingsPage stallingPage(stalling, dialog.settings());
    stallingPage.SetListText(2, "4800");
    stallingPage.SetListText(25, "Disabled");
    EXPECT_EQ(stallingPage.ApplySettings(), 0);
    EXPECT_EQ(printer.Received(), kStatus + kStatus + kInit + Set(0x11, 0x05) + Bytes({0x1F, 0x36, 0x10}));
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Timeout while sending data block!"});
    EXPECT_EQ(ui.messages[0].cause.rfind("COM3 (" + printer.slavePath() + "): send: ", 0), 0u) << ui.messages[0].cause;
    EXPECT_EQ(ui.events[ui.events.size() - 2], "progress close");
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_EQ(ui.interfacePropertiesShown, 0);
    EXPECT_EQ(dialog.settings().baudText, "115200");
    EXPECT_FALSE(stalling.isOpen());
}

TEST_F(SettingsPageTest, LoadPrinterThatNeverAnswers)
{
    printer.SetStatusAnswers({std::nullopt});
    page.SetListText(25, "Enabled");
    page.LoadFromPrinter();
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Timeout while sending data block!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.lastProgressPosition, 2u);
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_EQ(page.listText(25), "Enabled");
    EXPECT_EQ(printer.Received(), kStatus + kStatus);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SettingsPageTest, LoadPrinterBusy)
{
    printer.SetStatusAnswers({0x08});
    page.LoadFromPrinter();
    EXPECT_EQ(messages(), std::vector<std::string>{"Interface Busy: Please check for any error condition on printer!"});
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_FALSE(link.isOpen());
}

// A configuration byte that does not come stops the load instead of reading as 0.
TEST_F(SettingsPageTest, LoadPrinterStopsAtAMissingByte)
{
    printer.SetConfigReadsAnswered(4);
    page.SetListText(1, "USB");
    page.SetListText(25, "Disabled");
    page.LoadFromPrinter();
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Timeout while sending data block!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.lastProgressPosition, 15u);
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_EQ(page.listText(1), "USB");
    EXPECT_EQ(page.listText(2), "");
    EXPECT_EQ(page.listText(25), "Disabled");
    EXPECT_FALSE(page.hasPrinterReport());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SettingsPageTest, OpenFailure)
{
    link.devices().SetEntry("COM3", "/nonexistent/tty");
    page.LoadFromPrinter();
    page.ApplySettings();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Error: Unable to get serial port handle!",
                                                    "Error: Unable to get serial port handle!"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
}

TEST_F(SettingsPageTest, ChangesAreListedAfterALoadAndCancelSendsNothing)
{
    printer.SetConfigByte(5, 0x00);  // knife enabled
    page.LoadFromPrinter();
    const Bytes afterLoad = printer.Received();
    page.SetListText(25, "Disabled");
    page.SetListText(11, "Disabled");  // never sent, never listed
    EXPECT_EQ(page.pendingChanges(), std::vector<std::string>{"Knife: \"Enabled\" -> \"Disabled\""});
    ui.confirmAnswers.push_back(false);
    page.ApplySettings();
    ASSERT_EQ(ui.confirmations.size(), 1u);
    EXPECT_EQ(ui.confirmations[0], "Change Settings: These items will change on the printer:\n"
                                   "Knife: \"Enabled\" -> \"Disabled\"\nWrite them?");
    EXPECT_EQ(printer.Received(), afterLoad);
    EXPECT_TRUE(ui.messages.empty());

    page.ApplySettings();  // confirmed; the loaded interface items are written back too
    EXPECT_EQ(messages(), std::vector<std::string>{"Complete: Change Settings Complete.\n"
                                                   "And please reset the communication parameter."});
    EXPECT_TRUE(page.pendingChanges().empty());
}

// The report belongs to the printer it was read from: another interface, or a failed load,
// leaves nothing to compare with, so Change Settings asks nothing and dry runs list nothing.
TEST_F(SettingsPageTest, TheReportBelongsToThePrinterItCameFrom)
{
    const struct {
        const char *name;
        std::function<void()> afterLoad;
    } cases[] = {
        {"another port", [this] { dialog.settings().portText = "COM4"; }},
        {"another address", [this] { dialog.SetIpAddress(0x7F000002); }},
        {"another baud rate", [this] { dialog.settings().baudText = "9600"; }},
        {"a failed load",
         [this] {
             printer.SetStatusAnswers({std::nullopt});
             page.LoadFromPrinter();
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        printer.SetStatusAnswers({0x00});
        page.LoadFromPrinter();
        ASSERT_TRUE(page.hasPrinterReport());
        c.afterLoad();
        page.SetListText(25, "Disabled");
        EXPECT_FALSE(page.hasPrinterReport());
        EXPECT_TRUE(page.pendingChanges().empty());
        dialog.settings() = InterfacePropertiesDialog("COM3", "115200", "1", "NONE", "Xon/Xoff", 0).settings();
        dialog.settings().linkType = LinkSerial;
    }
    // Back on the printer it was read from, a new load is compared again.
    printer.SetStatusAnswers({0x00});
    page.LoadFromPrinter();
    page.SetListText(25, "Disabled");
    EXPECT_FALSE(page.pendingChanges().empty());
}

// A byte value without a text leaves the list as it was; that text is not the printer's.
TEST_F(SettingsPageTest, ItemsThePrinterDidNotReportAreListed)
{
    printer.SetConfigByte(2, 0x05);  // baud bits 5: no text
    page.SetListText(2, "9600");
    page.LoadFromPrinter();
    EXPECT_EQ(page.listText(2), "9600");
    EXPECT_EQ(page.listText(3), "NONE");
    EXPECT_EQ(page.pendingChanges(), std::vector<std::string>{"Baud Rate: (not reported) -> \"9600\""});
}

TEST_F(SettingsPageTest, ConfigurationPrintoutOnTheWire)
{
    ASSERT_TRUE(link.Open("COM3"));
    EXPECT_EQ(page.transfer().ConfigurationPrintout(), ErrNone);
    const std::string title = "KOVA-AXX Rollvane Ver 2.28";
    const Bytes expected = kStatus + kInit + Bytes{0x1B, 0x76, 0x1B, 0x45, 0x01} + Bytes(title.begin(), title.end()) +
                           Bytes{0x00, 0x1B, 0x45, 0x00, 0x0A, 0x1F, 0x74};
    EXPECT_EQ(printer.Received(), expected);
    EXPECT_EQ(ui.events.front(), "progress open");
    EXPECT_EQ(ui.events[1], "progress message Reinitializing printer...");
    EXPECT_EQ(ui.events[4], "progress message Printing Configuration Printout");
    EXPECT_EQ(ui.lastProgressPosition, 100u);
    EXPECT_EQ(ui.openProgressWindows, 0);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SettingsPageTest, ConfigurationPrintoutPaperStates)
{
    const struct {
        uint8_t paper;
        PrinterErrorCode code;
        const char *message;
    } rows[] = {{0x0C, ErrPaperOut, "Error: Receipt paper is out!"},
                {0x0A, ErrKnifeJam, "Error: Knife or Slip is jammed!"},
                {0x02, ErrCoverOpen, "Error: Receipt cover or front cover is opened!"}};
    for (const auto &row : rows) {
        ui.messages.clear();
        printer.SetPaperSensor(row.paper);
        const Bytes before = printer.Received();
        ASSERT_TRUE(link.Open("COM3"));
        const PrinterErrorCode code = page.transfer().ConfigurationPrintout();
        EXPECT_EQ(code, row.code);
        page.ReportPrinterError(code);
        const Bytes expected = before + kStatus + kInit + Bytes{0x1B, 0x76, 0x10};
        EXPECT_EQ(printer.Received(), expected);
        EXPECT_EQ(messages(), std::vector<std::string>{row.message});
        EXPECT_EQ(ui.openProgressWindows, 0);
        EXPECT_FALSE(link.isOpen());
    }
}

// ---- showing and taking texts ----

TEST(SettingsShowRule, FirstOptionThatBeginsWithTheText)
{
    const struct {
        int item;
        const char *text;
        int index;
        const char *edit;
    } rows[] = {
        {12, "", -1, ""},
        {12, "vendor", 0, "Vendor Spec. Class"},
        {25, "DISABLED", 1, "Disabled"},
        {27, "85", 1, "850"},
        {2, "1", 0, "115200"},
        {27, "949/54936(China)", -1, "949/54936(China)"},
        {30, "DS wt On-demand Pre-def Back", -1, "DS wt On-demand Pre-def Back"},
        {2, "4800", -1, "4800"},
        {6, "xon/xoff", 0, "Xon/Xoff"},
    };
    for (const auto &row : rows) {
        const auto shown = SettingsPage::ShowRule(row.item, row.text);
        EXPECT_EQ(shown.index, row.index) << row.text;
        EXPECT_EQ(shown.editText, row.edit) << row.text;
    }
    EXPECT_EQ(SettingsPage::TakeBack("  typed "), "  typed ");
}

// ---- settings text file ----

TEST_F(SettingsPageTest, SaveFileWritesTheFileAndConfirms)
{
    testing_support::TempDir dir;
    page.SetListText(25, "Disabled");
    ui.fileAnswers.push_back(dir.file("one.txt"));
    page.SaveFile();
    ASSERT_EQ(ui.fileChoices.size(), 1u);
    EXPECT_EQ(ui.fileChoices[0].filter, "  (*.txt)|*.txt|");
    EXPECT_EQ(ui.fileChoices[0].defaultExtension, "txt");
    EXPECT_EQ(ui.fileChoices[0].proposedName, "");
    EXPECT_EQ(messages(), std::vector<std::string>{"Saved Properties:  Properties Saved!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
    const std::string content = testing_support::TempDir::Read(dir.file("one.txt"));
    EXPECT_NE(content.find("\r\nKnife   =Disabled \r\n"), std::string::npos);
    EXPECT_EQ(content.rfind("[Properties settings]:\r\n\r\n\r\nComtype   = \r\n", 0), 0u);
}

TEST_F(SettingsPageTest, SaveFileCancelled)
{
    page.SaveFile();
    EXPECT_EQ(messages(), std::vector<std::string>{"No file saved! : No file is saved!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
}

TEST_F(SettingsPageTest, SaveFileIntoAFolderThatCannotTakeIt)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("plain"), "x");
    const std::string path = dir.file("plain") + "/settings.txt";  // a file stands where the folder should
    ui.fileAnswers.push_back(path);
    page.SaveFile();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot save the file " + path + ":\n", 0), 0u);
    EXPECT_GT(ui.messages[0].text.size(), ("Cannot save the file " + path + ":\n").size());
    // Nothing half-written is left in the folder.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(SettingsPageTest, LoadFileShowsTheTextsAndKeepsItem38)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("in.txt"), "[Properties settings]:\r\nknife = enabled\r\n"
                                                        "Baudrate=4800\r\nDefaultCP=949/54936(China)\r\n");
    page.SetListText(38, "Fixed Type");
    page.SetListText(1, "USB");
    ui.fileAnswers.push_back(dir.file("in.txt"));
    page.LoadFile();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.fileChoices[0].filter, "txt File  (*.txt)|*.txt|");
    EXPECT_EQ(page.listText(25), "Enabled");
    EXPECT_EQ(page.listText(2), "4800");
    EXPECT_EQ(page.listText(27), "949/54936(China)");
    EXPECT_EQ(page.listText(1), "");
    EXPECT_EQ(page.listText(38), "Fixed Type");
    EXPECT_EQ(page.rememberedFileName(), "in.txt");

    // Save proposes the loaded name; a cancelled load forgets it.
    page.SaveFile();
    EXPECT_EQ(ui.fileChoices[1].proposedName, "in.txt");
    page.LoadFile();
    EXPECT_EQ(ui.messages.back().caption + ui.messages.back().text, "No file Loaded! No file Loaded!");
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Information);
    page.SaveFile();
    EXPECT_EQ(ui.fileChoices[3].proposedName, "");
}

TEST_F(SettingsPageTest, LoadFileOfAnEmptyFile)
{
    testing_support::TempDir dir;
    testing_support::TempDir::Write(dir.file("empty.txt"), "");
    page.SetListText(25, "Disabled");
    ui.fileAnswers.push_back(dir.file("empty.txt"));
    page.LoadFile();
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: No Data in the file Error!"});
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(page.listText(25), "Disabled");
}

TEST_F(SettingsPageTest, LoadFileThatCannotBeRead)
{
    testing_support::TempDir dir;
    std::filesystem::create_directory(dir.file("folder.txt"));
    ASSERT_EQ(mkfifo(dir.file("fifo.txt").c_str(), 0600), 0);  // nobody writes: must not be waited for
    testing_support::TempDir::Write(dir.file("huge.txt"), std::string((1 << 20) + 1, ' '));
    const struct {
        const char *name;
        const char *reason;
    } cases[] = {
        {"folder.txt", "Is a directory"},
        {"fifo.txt", "it is not a regular file"},
        {"huge.txt", "it is larger than 1 MiB"},
        {"missing.txt", "No such file or directory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        page.SetListText(25, "Disabled");
        ui.fileAnswers.push_back(dir.file(c.name));
        EXPECT_EQ(page.LoadFile(), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].caption, "Error");
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);
        EXPECT_EQ(ui.messages[0].text, "Cannot read the file " + dir.file(c.name) + ":\n" + c.reason);
        EXPECT_EQ(page.listText(25), "Disabled");
    }
}

TEST_F(SettingsPageTest, SavedFileLoadsBack)
{
    testing_support::TempDir dir;
    for (int n = 1; n <= 38; ++n) {
        page.SetListText(n, SettingsTable::Item(n).options.back());
    }
    ui.fileAnswers.push_back(dir.file("all.txt"));
    page.SaveFile();
    const auto saved = lists();
    for (int n = 1; n <= 38; ++n) {
        page.SetListText(n, "");
    }
    page.SetListText(38, saved[37]);
    ui.fileAnswers.push_back(dir.file("all.txt"));
    page.LoadFile();
    EXPECT_EQ(lists(), saved);
}

}  // namespace
}  // namespace rollvane
