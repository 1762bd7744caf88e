// The transport is chosen once, at Open; failures keep their cause for the message that
// reports them; the trace sees every open, configure, block and close.
#include "platform/FileDescriptor.h"
#include "platform/RealClock.h"
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/link/SerialPortLine.h"
#include "tests/link/FakeUsbDirectory.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <future>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>

using namespace std::chrono_literals;
using rollvane::PrinterLink;
using Bytes = std::vector<uint8_t>;

TEST(PrinterLinkShape, TheTransportChosenAtOpenServesEveryOperationUntilTheNextOpen)
{
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.valid());
    testing_support::RecordingUserInterface ui;
    platform::RealClock clock;
    auto facilities = rollvane::LinkFacilities::Real();
    facilities.trace = nullptr;
    PrinterLink link(ui, clock, std::move(facilities));
    link.devices().SetEntry("COM3", pty.slavePath());
    link.flowControl = "Xon/Xoff";
    link.linkType = rollvane::LinkSerial;
    ASSERT_EQ(link.Open("COM3"), 1);

    // The Interface Properties dialog changes the link type in the middle of an action: the
    // open serial port keeps the traffic, and no network channel is opened.
    link.linkType = rollvane::LinkNetwork;
    link.Configure(link_test::LanSettings(0x7F000001));
    EXPECT_EQ(link.dataChannel().portType, 0u);
    EXPECT_EQ(link.serialState().BaudRate, 0u);  // the LAN settings carry no baud rate
    ASSERT_EQ(link.Send({0x1B, 0x40}), 1);
    EXPECT_EQ(pty.ReadMaster(1000ms, 2), (Bytes{0x1B, 0x40}));
    std::thread printer([&] {
        pty.ReadMaster(1000ms, 2);
        pty.WriteMaster({0x00});
    });
    uint8_t status[PrinterLink::kStatusBufferSize] = {};
    EXPECT_EQ(link.QueryStatus(status), 1);
    printer.join();
    EXPECT_EQ(status[0], 0x00);
    link.Close();
    EXPECT_FALSE(link.isOpen());

    // The next Open decides again.
    ASSERT_EQ(link.Open("LAN"), 1);
    link.Configure(link_test::LanSettings(0x7F000001));
    EXPECT_EQ(link.dataChannel().portType, QLNK_PORT_TCP_RAW);
    link.Close();
}

TEST(PrinterLinkShape, AFailureKeepsItsCauseForTheMessage)
{
    const struct {
        int32_t linkType;
        const char *port;
        const char *devicesEntry;  // nullptr: none
        int openError;
        const char *cause;
    } cases[] = {
        {rollvane::LinkSerial, "COM3", "/dev/ttyUSB0", EACCES,
         "COM3 (/dev/ttyUSB0): open: Permission denied (serial ports usually need membership of the \"dialout\" "
         "group)"},
        {rollvane::LinkSerial, "COM9", nullptr, ENOENT,
         "COM9 (/dev/ttyS8): open: No such file or directory (a [DEVICES] entry in inifile.inf names the device of "
         "a port)"},
        {rollvane::LinkSerial, "COM3", "/dev/ttyUSB7", ENOENT, "COM3 (/dev/ttyUSB7): open: No such file or directory"},
        {rollvane::LinkSerial, "COM3", "/dev/ttyUSB0", EBUSY, "COM3 (/dev/ttyUSB0): open: Device or resource busy"},
        {rollvane::LinkParallel, "LPT1", nullptr, EBUSY, "LPT1 (/dev/parport0): open: Device or resource busy"},
        {rollvane::LinkUsbPrinterClass, "Printer Class", nullptr, 0,
         "Printer Class: open: no USB printer-class device is present"},
        {7, "COM1", nullptr, 0,
         "COM1: open: the interface type 7 names no transport (choose the port again in Interface Properties)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cause);
        testing_support::RecordingUserInterface ui;
        platform::VirtualClock clock;
        rollvane::LinkFacilities facilities;
        const int openError = c.openError;
        facilities.openSerial = [openError](const std::string &, int *error) -> std::unique_ptr<rollvane::SerialLine> {
            *error = openError;
            return nullptr;
        };
        facilities.openParallel = [openError](const std::string &,
                                              int *error) -> std::unique_ptr<platform::OverlappedDevice> {
            *error = openError;
            return nullptr;
        };
        facilities.usbDirectory = std::make_shared<link_test::FakeUsbDirectory>();
        PrinterLink link(ui, clock, std::move(facilities));
        link.linkType = c.linkType;
        if (c.devicesEntry) {
            link.devices().SetEntry(c.port, c.devicesEntry);
        }
        rollvane::InterfaceSettings settings;
        settings.portText = c.port;
        rollvane::PrinterAction action(link, settings);
        EXPECT_FALSE(action.Open());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Unable to get serial port handle!");
        EXPECT_EQ(ui.messages[0].cause, c.cause);
    }
}

// A silent printer on a serial line: the cause belongs to the action that is running, and the
// wait keeps the windows painted where the person's side paints, with the same result.
TEST(PrinterLinkShape, ASilentSerialPrinter)
{
    for (bool paints : {false, true}) {
        SCOPED_TRACE(paints ? "painting" : "not painting");
        testing_support::PtyPair pty;
        testing_support::RecordingUserInterface ui;
        ui.paints = paints;
        platform::RealClock clock;
        rollvane::LinkFacilities facilities;
        facilities.openSerial = &rollvane::SerialPortLine::Open;
        PrinterLink link(ui, clock, std::move(facilities));
        link.devices().SetEntry("COM3", pty.slavePath());
        ASSERT_EQ(link.Open("COM3"), 1);
        uint8_t status[PrinterLink::kStatusBufferSize] = {};
        EXPECT_EQ(link.QueryStatus(status), 0);  // the 1000 ms read limit runs out
        EXPECT_EQ(status[0], 0xFF);
        EXPECT_EQ(pty.ReadMaster(100ms), (Bytes{0x1B, 0x68}));
        EXPECT_EQ(link.failureCause(), "COM3 (" + pty.slavePath() + "): receive: no reply within 1000 ms");
        if (paints) {
            EXPECT_GE(ui.paintRounds, 10);  // a round every 20 ms or so
        } else {
            EXPECT_EQ(ui.paintRounds, 0);
        }
        link.Close();
        ASSERT_EQ(link.Open("COM3"), 1);
        EXPECT_EQ(link.failureCause(), "");
        link.Close();
    }
}

TEST(PrinterLinkShape, TheTraceShowsOpenConfigureBlocksAndCloseOnlyWhenOn)
{
    testing_support::TempDir dir;
    testing_support::PtyPair pty;
    for (bool on : {false, true}) {
        testing_support::RecordingUserInterface ui;
        platform::RealClock clock;
        rollvane::LinkFacilities facilities;
        facilities.openSerial = &rollvane::SerialPortLine::Open;
        facilities.trace = std::make_shared<platform::TraceLog>("rollvane");
        if (on) {
            int error = 0;
            ASSERT_TRUE(facilities.trace->Enable(dir.file("trace.txt"), &error));
        }
        PrinterLink link(ui, clock, std::move(facilities));
        link.devices().SetEntry("COM3", pty.slavePath());
        link.flowControl = "Xon/Xoff";
        std::thread printer([&] {
            pty.ReadMaster(2000ms, 2);
            pty.WriteMaster({0x08});
        });
        rollvane::PrinterAction action(link, link_test::SerialSettings("COM3", 19200, "NONE", 8, 1));
        ASSERT_TRUE(action.Open());
        EXPECT_EQ(action.CheckStatus(1, true), rollvane::PrinterAction::Status::Busy);
        printer.join();
    }
    const std::string where = "COM3 \\(" + pty.slavePath() + "\\)";
    const std::string stamp = "rollvane \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
    const std::string trace = testing_support::TempDir::Read(dir.file("trace.txt"));
    EXPECT_TRUE(
        std::regex_match(trace, std::regex(stamp + "open " + where + "\n" + stamp + "configure " + where +
                                           ": 19200 baud, parity NONE, data bits 8, stop bits 1, flow Xon/Xoff\n" +
                                           stamp + where + " send 2 bytes: 1B 68\n" + stamp + where +
                                           " recv 1 byte: 08\n" + stamp + "close " + where + "\n")))
        << trace;
}

// A network reply is collected until the bytes asked for are there: one that comes in pieces
// is whole, one that stays short or ends early fails instead of leaving invented bytes.
TEST(PrinterLinkShape, ANetworkReplyIsCollectedUntilItIsWhole)
{
    const struct {
        const char *name;
        std::vector<Bytes> pieces;  // sent 30 ms apart
        bool closeAfter;
        int result;
        const char *reason;  // the end of the cause, when it fails
    } cases[] = {
        {"two pieces 30 ms apart", {{0x12}, {0x34}}, false, 1, ""},
        {"the printer closes after one byte", {{0x12}}, true, 0, "receive: the printer closed the connection"},
        {"one byte, then nothing", {{0x12}}, false, 0, "receive: a short reply: 1 of 2 bytes within 10000 ms"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        platform::FileDescriptor listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        platform::FileDescriptor status(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(0x7F000001);
        socklen_t size = sizeof address;
        ASSERT_EQ(bind(listener.get(), reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener.get(), 1), 0);
        ASSERT_EQ(getsockname(listener.get(), reinterpret_cast<sockaddr *>(&address), &size), 0);
        const uint16_t tcpPort = ntohs(address.sin_port);
        address.sin_port = 0;
        ASSERT_EQ(bind(status.get(), reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ASSERT_EQ(getsockname(status.get(), reinterpret_cast<sockaddr *>(&address), &size), 0);

        testing_support::RecordingUserInterface ui;
        platform::RealClock clock;
        PrinterLink link(ui, clock);
        link.linkType = rollvane::LinkNetwork;
        link.UseNetworkPorts(tcpPort, ntohs(address.sin_port));
        ASSERT_EQ(link.Open("LAN"), 1);
        link.Configure(link_test::LanSettings(0x7F000001));
        std::promise<void> done;
        std::future<void> received = done.get_future();
        std::thread printer([&] {
            platform::FileDescriptor peer(accept(listener.get(), nullptr, nullptr));
            for (const auto &piece : c.pieces) {
                std::this_thread::sleep_for(30ms);
                ASSERT_EQ(send(peer.get(), piece.data(), piece.size(), MSG_NOSIGNAL), ssize_t(piece.size()));
            }
            if (!c.closeAfter) {
                received.wait_for(11s);  // silent, but connected, until the link has given up
            }
        });
        uint8_t reply[2] = {0xAA, 0xAA};
        EXPECT_EQ(link.Receive(reply, 2), c.result);
        done.set_value();
        printer.join();
        if (c.result) {
            EXPECT_EQ(Bytes(reply, reply + 2), (Bytes{0x12, 0x34}));
        } else {
            const std::string cause = link.failureCause();
            EXPECT_EQ(cause.substr(cause.find("receive:")), c.reason) << cause;
        }
        link.Close();
    }
}
