// ReportPrinterError, both forms, for every code: the bytes while the link is open, then the
// end of the action, then the message. The link is serial over a pseudo-terminal.
#include "rollvane/link/PrinterErrorReport.h"
#include "platform/RealClock.h"
#include "rollvane/link/PaperSensor.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using namespace rollvane;
using Bytes = std::vector<uint8_t>;

namespace {

struct Expected {
    PrinterErrorCode code;
    Bytes bytes;
    const char *text;  // nullptr: nothing happens
    const char *caption;
};

const char *const kBusy = "Please check for any error condition on printer!";

const Expected kSettingsForm[] = {
    {ErrTimeout, {0x10}, "Timeout while sending data block!", "Error"},
    {ErrNone, {}, nullptr, nullptr},
    {ErrKnifeJam, {0x10}, "Knife or Slip is jammed!", "Error"},
    {ErrWrongData, {0x10}, "Received wrong data!", "Error"},
    {ErrPaperOut, {0x10}, "Receipt paper is out!", "Error"},
    {ErrPaperLow, {0x10}, "Receipt paper is low!", "Error"},
    {ErrCoverOpen, {0x10}, "Receipt cover or front cover is opened!", "Error"},
    {ErrBusy, {}, kBusy, "Interface Busy"},
    {static_cast<PrinterErrorCode>(8), {}, nullptr, nullptr},
};

const Expected kTestPrintForm[] = {
    {ErrTimeout, {0x1F, 0x7A, 0x74, 0x00, 0x10}, "Timeout while sending data block!", "Error"},
    {ErrNone, {}, nullptr, nullptr},
    {ErrKnifeJam, {0x10}, "Knife or Slip is jammed!", "Error"},
    {ErrWrongData, {}, nullptr, nullptr},
    {ErrPaperOut, {0x10}, "Receipt paper is out!", "Error"},
    {ErrPaperLow, {0x10}, "Receipt paper is low!", "Error"},
    {ErrCoverOpen, {0x10}, "Receipt cover or front cover is opened!", "Error"},
    {ErrBusy, {}, kBusy, "Interface Busy"},
    {static_cast<PrinterErrorCode>(-1), {}, nullptr, nullptr},
};

class PrinterErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.valid());
        link = std::make_unique<PrinterLink>(ui, clock, LinkFacilities::Real());
        link->linkType = LinkSerial;
        link->flowControl = "DTR/DSR";
        link->devices().SetEntry("COM1", pty.slavePath());
        // At the message box: the link must be closed and the bytes already sent.
        ui.onMessage = [this](const testing_support::RecordingUserInterface::Message &) {
            openAtMessage = link->isOpen();
            bytesAtMessage = pty.ReadMaster(300ms);
            events.push_back("message");
        };
    }

    // Runs one action's failure report and checks it against the expectation.
    void Check(const Expected &expected, bool testPrintForm)
    {
        SCOPED_TRACE(std::to_string(expected.code) + (testPrintForm ? " test print" : " settings"));
        ui.messages.clear();
        ui.events.clear();
        events.clear();
        bytesAtMessage.clear();
        ASSERT_EQ(link->Open("COM1"), 1);
        link->Configure(link_test::SerialSettings("COM1", 9600, "NONE", 8, 1));
        link->StartProgress("Sending...");
        if (testPrintForm) {
            ReportPrinterErrorTestPrintForm(*link, ui, expected.code, [this] { events.push_back("enable"); });
        } else {
            ReportPrinterErrorSettingsForm(*link, ui, expected.code);
        }
        if (!expected.text) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_TRUE(link->isOpen());
            EXPECT_NE(link->progress, nullptr);
            EXPECT_TRUE(events.empty());
            EXPECT_EQ(pty.ReadMaster(100ms), Bytes{});
            link->EndOperation();
            return;
        }
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, expected.text);
        EXPECT_EQ(ui.messages[0].caption, expected.caption);
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_FALSE(openAtMessage);
        EXPECT_EQ(bytesAtMessage, expected.bytes);
        EXPECT_EQ(link->progress, nullptr);
        // The progress window went before the message came.
        ASSERT_GE(ui.events.size(), 2u);
        EXPECT_EQ(ui.events[ui.events.size() - 2], "progress close");
        const bool enables = testPrintForm && expected.code == ErrTimeout;
        EXPECT_EQ(events,
                  enables ? (std::vector<std::string>{"message", "enable"}) : std::vector<std::string>{"message"});
    }

    testing_support::PtyPair pty;
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    std::unique_ptr<PrinterLink> link;
    bool openAtMessage = true;
    Bytes bytesAtMessage;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(PrinterErrorReportTest, SettingsFormForEveryCode)
{
    for (const Expected &expected : kSettingsForm) {
        Check(expected, false);
    }
}

TEST_F(PrinterErrorReportTest, TestPrintFormForEveryCode)
{
    for (const Expected &expected : kTestPrintForm) {
        Check(expected, true);
    }
}

TEST_F(PrinterErrorReportTest, BytesAreSentWhateverTheLinkState)
{
    // Nothing open: the bytes fail quietly, the message still comes.
    ReportPrinterErrorSettingsForm(*link, ui, ErrPaperOut);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Receipt paper is out!");
}

TEST(PrinterLinkPaperSensor, FirstBitSetDecides)
{
    EXPECT_EQ(PaperSensor::Evaluate(0x0C, true), ErrPaperOut);
    EXPECT_EQ(PaperSensor::Evaluate(0x0A, true), ErrKnifeJam);
    EXPECT_EQ(PaperSensor::Evaluate(0x02, true), ErrCoverOpen);
    EXPECT_EQ(PaperSensor::Evaluate(0x02, false), ErrNone);
    EXPECT_EQ(PaperSensor::Evaluate(0xF1, true), ErrNone);
}

TEST(PrinterLinkStatusByte, BusyWhenBit3IsSetOrNoStatusCame)
{
    EXPECT_TRUE(PrinterLink::IsBusy(0x08));
    EXPECT_TRUE(PrinterLink::IsBusy(0xFF));
    EXPECT_TRUE(PrinterLink::IsBusy(0x18));
    EXPECT_FALSE(PrinterLink::IsBusy(0x00));
    EXPECT_FALSE(PrinterLink::IsBusy(0x80));
    EXPECT_FALSE(PrinterLink::IsBusy(0xF7));
}

TEST_F(PrinterErrorReportTest, PaperSensorCheckOverTheLink)
{
    ASSERT_EQ(link->Open("COM1"), 1);
    link->Configure(link_test::SerialSettings("COM1", 9600, "NONE", 8, 1));
    std::thread printer([this] {
        Bytes request = pty.ReadMaster(2000ms, 2);
        if (request == Bytes{0x1B, 0x76}) {
            pty.WriteMaster({0x0C});
        }
    });
    EXPECT_EQ(PaperSensor::Check(*link, true), ErrPaperOut);
    printer.join();
    link->SetReadTimeout(100);
    EXPECT_EQ(PaperSensor::Check(*link, true), ErrTimeout);
}
