// What the network link passes to the library: time-outs, sizes and blocks, seen through the
// recording stand-in (RecordingQlnk.h) loaded by its path as libqlnk is.
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterErrorReport.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/link/RecordingQlnk.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>

using namespace std::chrono_literals;
using rollvane::PrinterLink;
using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;

namespace {

class QlnkArgumentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qlnk.calls.clear();
        qlnk.statusReply = {0x00, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00};
        qlnk.dataReply = {0x31};
        qlnk.onCall = nullptr;
        rollvane::LinkFacilities facilities;
        facilities.qlnkLibrary = link_test::RecordingQlnkPath();
        link = std::make_unique<PrinterLink>(ui, clock, std::move(facilities));
        link->linkType = rollvane::LinkNetwork;
        OpenLink();
    }

    void TearDown() override
    {
        qlnk.onCall = nullptr;
        link.reset();
    }

    void OpenLink()
    {
        ASSERT_EQ(link->Open("LAN"), 1);
        link->Configure(link_test::LanSettings(0x7F000001));
    }

    Calls TakeCalls()
    {
        Calls taken;
        taken.swap(qlnk.calls);
        return taken;
    }

    link_test::RecordingQlnkState &qlnk = link_test::RecordingQlnk();
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    std::unique_ptr<PrinterLink> link;
};

}  // namespace

namespace {

// Before each send the data channel is looked at without waiting, and what it holds unread is
// discarded.
const char kPurge[] = "RecvData TCP_RAW capacity 128 timeout 0";

Calls WithoutPurges(Calls calls)
{
    calls.erase(std::remove(calls.begin(), calls.end(), kPurge), calls.end());
    return calls;
}

}  // namespace

TEST_F(QlnkArgumentsTest, TimeOutsAndSizesOfEveryCall)
{
    EXPECT_EQ(TakeCalls(), (Calls{"Open TCP_RAW connect 10000", "Open UDP_RAW connect 10000"}));
    uint8_t block[2] = {0x1D, 0xFF};
    uint8_t buffer[8] = {};
    uint8_t status[PrinterLink::kStatusBufferSize];
    const struct {
        const char *operation;
        std::function<int()> run;
        Calls calls;
    } cases[] = {
        {"Send",
         [&] {
             return link->Send({0x1B, 0x40});
         },
         {kPurge, "SendData TCP_RAW 1B 40 timeout 50000"}},
        {"SendBulk",
         [&] { return link->SendBulk(block, sizeof block); },
         {kPurge, "SendData TCP_RAW 1D FF timeout 5000"}},
        {"Receive", [&] { return link->Receive(buffer, 1); }, {"RecvData TCP_RAW capacity 128 timeout 10000"}},
        {"QueryStatus",
         [&] { return link->QueryStatus(status); },
         {"SendData UDP_RAW 00 00 00 00 1B 68 timeout 10000", "RecvData UDP_RAW capacity 8 timeout 10000"}},
        {"ReceiveStatusReply",
         [&] { return link->ReceiveStatusReply(buffer, sizeof buffer); },
         {"RecvData UDP_RAW capacity 8 timeout 10000"}},
        {"Close", [&] { return link->Close(), 1; }, {"CloseComm TCP_RAW", "CloseComm UDP_RAW"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.operation);
        EXPECT_EQ(c.run(), 1);
        EXPECT_EQ(TakeCalls(), c.calls);
    }
}

// The status reply is read once the next whole second has begun, after the request went.
TEST_F(QlnkArgumentsTest, StatusReplyWaitsForTheNextWholeSecond)
{
    std::vector<std::chrono::milliseconds> atCall;
    qlnk.onCall = [&](const std::string &) {
        atCall.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now().time_since_epoch()) % 1000);
    };
    for (const auto offset : {250ms, 0ms, 999ms}) {
        SCOPED_TRACE(offset.count());
        clock.Advance(offset);
        const auto before = clock.now();
        const auto sleptBefore = clock.sleeps().size();
        atCall.clear();
        uint8_t status[PrinterLink::kStatusBufferSize];
        ASSERT_EQ(link->QueryStatus(status), 1);
        EXPECT_EQ(status[0], 0x2A);
        EXPECT_EQ(clock.sleeps().size(), sleptBefore + 1);
        EXPECT_EQ(clock.now() - before, 1000ms - offset);
        // Request at the old time, reply at the whole second.
        EXPECT_EQ(atCall, (std::vector<std::chrono::milliseconds>{offset, 0ms}));
    }
}

// At most 128 bytes are asked of the library at a time, and the caller's buffer gets no more
// than it asked for: a longer reply's other bytes are not copied.
TEST_F(QlnkArgumentsTest, AReceiveTakesAtMost128BytesAndOnlyWhatWasAsked)
{
    qlnk.dataReply.resize(200);
    std::iota(qlnk.dataReply.begin(), qlnk.dataReply.end(), uint8_t{0});
    TakeCalls();
    const struct {
        uint32_t asked;
        std::size_t calls;
    } cases[] = {{1, 1}, {4, 1}, {128, 1}, {200, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.asked);
        Bytes buffer(256, 0xEE);
        EXPECT_EQ(link->Receive(buffer.data(), c.asked), 1);
        const Calls calls = TakeCalls();
        ASSERT_EQ(calls.size(), c.calls);
        EXPECT_EQ(calls[0], "RecvData TCP_RAW capacity 128 timeout 10000");
        for (const auto &call : calls) {
            EXPECT_EQ(call.rfind("RecvData TCP_RAW capacity 128 timeout ", 0), 0u) << call;
        }
        // Each call brings the reply's first 128 bytes.
        Bytes expected(256, 0xEE);
        for (uint32_t i = 0; i < c.asked; ++i) {
            expected[i] = static_cast<uint8_t>(i % 128);
        }
        EXPECT_EQ(buffer, expected);
    }
}

// The test-print page's time-out report sends its check end and the release as two blocks; the
// settings page's form sends the release alone. Both before the link closes.
TEST_F(QlnkArgumentsTest, TimeoutReportBlocksOfBothForms)
{
    const Calls closing = {"CloseComm TCP_RAW", "CloseComm UDP_RAW"};
    const struct {
        bool testPrint;
        Calls calls;
    } cases[] = {
        {true, {"SendData TCP_RAW 1F 7A 74 00 timeout 50000", "SendData TCP_RAW 10 timeout 50000"}},
        {false, {"SendData TCP_RAW 10 timeout 50000"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.testPrint ? "test print" : "settings");
        OpenLink();
        TakeCalls();
        ui.messages.clear();
        Calls atMessage;
        ui.onMessage = [&](const auto &) { atMessage = qlnk.calls; };
        if (c.testPrint) {
            rollvane::PrinterErrorReport::TestPrintForm(*link, ui, rollvane::ErrTimeout, {});
        } else {
            rollvane::PrinterErrorReport::SettingsForm(*link, ui, rollvane::ErrTimeout);
        }
        Calls expected = c.calls;
        expected.insert(expected.end(), closing.begin(), closing.end());
        EXPECT_EQ(WithoutPurges(atMessage), expected);
        EXPECT_EQ(WithoutPurges(TakeCalls()), expected);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Timeout while sending data block!");
    }
}
