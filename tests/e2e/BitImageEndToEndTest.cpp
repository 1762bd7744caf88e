// Logos downloaded with rollvane-cli into the real kova-sim, kept as sent and printed dot for dot.
#include "platform/RealClock.h"
#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/DotPicture.h"
#include "rollvane/graphics/RasterImage.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/graphics/Bmp.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PngReader.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <QImage>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using graphics_testing::Bmp;
using testing_support::ChildProcess;
using testing_support::PngReader;
using testing_support::ProcessResult;
using testing_support::ProcessRunner;
using testing_support::TempDir;

namespace {

// A frame, a diagonal and a disc: the top row is black, and rows and columns differ.
int Logo(int x, int y)
{
    const bool black = x < 3 || y < 3 || x >= 197 || y >= 97 || std::abs(x - 2 * y) < 2 ||
                       (x - 150) * (x - 150) + (y - 50) * (y - 50) < 900;
    return black ? 0 : 1;
}

int Checker(int x, int y)
{
    return (x / 8 + y / 8) % 2 == 0 ? 0 : 1;
}

std::string Hex(const std::string &bytes)
{
    std::string text;
    char pair[3];
    for (unsigned char b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

// Waits for a receipt picture kova-sim writes after the cut.
std::optional<PngReader> Receipt(const std::string &path)
{
    for (int i = 0; i < 200 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return PngReader::Load(path);
}

// "" when the receipt holds the picture's dots from its first black row on, and white paper
// everywhere else; else the first difference.
std::string ReceiptDifference(const PngReader &receipt, const QImage &picture)
{
    if (receipt.width != picture.width()) {
        return "the receipt is " + std::to_string(receipt.width) + " dots wide, the picture " +
               std::to_string(picture.width());
    }
    int top = 0;
    while (top < receipt.height && std::none_of(receipt.black.begin() + static_cast<long>(top) * receipt.width,
                                                receipt.black.begin() + static_cast<long>(top + 1) * receipt.width,
                                                [](uint8_t b) { return b != 0; })) {
        ++top;
    }
    if (top + picture.height() > receipt.height) {
        return "the picture does not fit below row " + std::to_string(top);
    }
    for (int y = 0; y < receipt.height; ++y) {
        const bool inPicture = y >= top && y < top + picture.height();
        for (int x = 0; x < receipt.width; ++x) {
            const bool expected = inPicture && qGray(picture.pixel(x, y - top)) < 128;
            if (receipt.at(x, y) != expected) {
                return "dot " + std::to_string(x) + ", " + std::to_string(y) + " (picture row " +
                       std::to_string(y - top) + ") differs";
            }
        }
    }
    return "";
}

}  // namespace

TEST(BitImageEndToEnd, DownloadedLogosAreKeptAsSentAndPrintDotForDot)
{
    TempDir dir;
    const std::string logo = Bmp{200, 100, 1, Logo}.Bytes();
    const std::string checker = Bmp{64, 32, 1, Checker}.Bytes();
    TempDir::Write(dir.file("logo.bmp"), logo);
    TempDir::Write(dir.file("checker.bmp"), checker);
    std::filesystem::create_directory(dir.file("out"));
    const std::string address = "127.0.1.50";
    ChildProcess printer;
    const std::string log = dir.file("sim.log");
    ASSERT_TRUE(printer.Start({ProcessRunner::BuiltProgram("kova-sim"), "--address", address, "--state",
                               dir.file("state.txt"), "--out", dir.file("out")},
                              log));
    for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_NE(TempDir::Read(log).find("kova-sim ready"), std::string::npos);
    const auto cli = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", "LAN", "--ip", address});
        return ProcessRunner::Run(ProcessRunner::BuiltProgram("rollvane-cli"), arguments, dir.path());
    };

    ProcessResult download = cli({"download-images", "--image", "5:logo.bmp:400:center", "--image", "7:checker.bmp"});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    EXPECT_EQ(download.err, "Message: Download Finished !\n");

    // What the printer keeps is what was sent: the converted image, and the other file as it is.
    platform::RealClock clock;
    rollvane::RasterImage converted(clock);
    converted.SetPaper(576, 1);
    ASSERT_EQ(converted.Convert(dir.file("logo.bmp"), 400, 0, rollvane::RasterImage::PositionCenter),
              rollvane::RasterImage::kConverted);
    const std::string convertedBytes(reinterpret_cast<const char *>(converted.data()), converted.size());
    const std::string storedLogo = "image.5 = " + Hex(convertedBytes) + "\n";
    const std::string storedChecker = "image.7 = " + Hex(checker) + "\n";
    for (int i = 0; i < 100 && TempDir::Read(dir.file("state.txt")).find(storedChecker) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    const std::string state = TempDir::Read(dir.file("state.txt"));
    EXPECT_NE(state.find(storedLogo), std::string::npos);
    EXPECT_NE(state.find(storedChecker), std::string::npos);

    ProcessResult printLogo = cli({"print-image", "5"});
    ASSERT_EQ(printLogo.exitCode, 0) << printLogo.err;
    EXPECT_EQ(printLogo.err, "");
    auto first = Receipt(dir.file("out/receipt-0001.png"));
    ASSERT_TRUE(first.has_value());
    const QImage logoDots = rollvane::DotPicture::FromRaster(converted.data(), converted.size());
    ASSERT_EQ(logoDots.size(), QSize(576, 200));
    EXPECT_EQ(ReceiptDifference(*first, logoDots), "");
}

// The font byte (configuration byte 10) as each line reads it: after a printer that reported
// Size2, a byte of 0 says nothing over the network, where the page keeps Size2 and converts for
// 560 dots, while a serial line takes it as Size1 and 576 dots.
TEST(BitImageEndToEnd, AFontByteOfZeroKeepsTheFontSizeOnlyOverTheNetwork)
{
    const struct {
        const char *name;
        bool network;
        const char *address;
        const char *afterZero;
        int32_t storedWidth;
    } lines[] = {{"network", true, "127.0.1.52", "Size2", 560}, {"serial", false, "127.0.1.53", "Size1", 576}};
    for (const auto &line : lines) {
        SCOPED_TRACE(line.name);
        TempDir dir;
        TempDir::Write(dir.file("logo.bmp"), Bmp::Black(100, 20).Bytes());
        std::filesystem::create_directory(dir.file("out"));
        testing_support::RecordingUserInterface ui;
        platform::RealClock clock;
        rollvane::PrinterLink link(ui, clock);
        rollvane::InterfaceSettings interface;
        if (line.network) {
            interface.portText = "LAN";
            interface.ipAddress = ntohl(inet_addr(line.address));
            interface.linkType = rollvane::LinkNetwork;
        } else {
            interface = link_test::Com3Settings();
            link.devices().SetEntry("COM3", dir.file("tty"));
        }
        link.linkType = interface.linkType;
        rollvane::BitImagePage page(link, interface);
        page.row(1).idText = "1";
        page.row(1).path = dir.file("logo.bmp");
        page.row(1).manipulate = true;  // width 0: the whole print area
        page.row(1).alignment = 0;

        for (const char *font : {"01", "00"}) {
            std::string config = "02";
            for (int n = 2; n <= 31; ++n) {
                config += n == 10 ? std::string(" ") + font : std::string(" 00");
            }
            TempDir::Write(dir.file("state.txt"), "config = " + config + "\n");
            std::vector<std::string> argv = {ProcessRunner::BuiltProgram("kova-sim"),
                                             "--address",
                                             line.address,
                                             "--state",
                                             dir.file("state.txt"),
                                             "--out",
                                             dir.file("out")};
            if (!line.network) {
                argv.insert(argv.end(), {"--tcp-port", "0", "--udp-port", "0", "--serial-link", dir.file("tty")});
            }
            ChildProcess printer;
            const std::string log = dir.file(std::string("sim-") + font + ".log");
            ASSERT_TRUE(printer.Start(argv, log));
            for (int i = 0; i < 200 && TempDir::Read(log).find("kova-sim ready") == std::string::npos; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
            ASSERT_NE(TempDir::Read(log).find("kova-sim ready"), std::string::npos) << TempDir::Read(log);
            ui.messages.clear();
            EXPECT_EQ(page.Download(), 1);
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "Download Finished !") << ui.messages[0].cause;
            EXPECT_EQ(page.fontSize(), std::string(font) == "01" ? "Size2" : line.afterZero) << font;
        }
        EXPECT_EQ(page.maxWidth(), line.storedWidth);
    }
}
