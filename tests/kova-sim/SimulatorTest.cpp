// The real kova-sim program driven over real sockets and a real
// pseudo-terminal, the way the setting tool and point-of-sale programs use it.
#include "SimProcess.h"
#include "TcpClient.h"
#include "TestBmp.h"
#include "ToolTables.h"
#include "tests/support/PngReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

using testing_support::PngReader;
using testing_support::TempDir;

namespace {

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

Bytes readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

class KovaSimFixture : public ::testing::Test {
protected:
    TempDir dir;
    SimProcess sim;

    std::vector<std::string> baseArgs() const
    {
        return {"--tcp-port", "0", "--udp-port", "0", "--out", dir.file("out"), "--restart-seconds", "1"};
    }

    void start(const std::vector<std::string> &extra = {})
    {
        auto args = baseArgs();
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.start(args)) << "kova-sim did not come up";
    }

    void connect(TcpClient &c) { ASSERT_TRUE(c.connect("127.0.0.1", sim.tcpPort())); }

    // The tool's configuration byte read: initialise, prefix byte, then the
    // read command; first reply byte for an even n, second for an odd n.
    std::optional<uint8_t> readConfigByte(TcpClient &c, int n)
    {
        c.send({0x1B, 0x40});
        c.send({0x10});
        c.send({0x1F, 0x31, static_cast<uint8_t>(n)});
        const Bytes r = c.receive(2);
        if (r.size() != 2)
            return std::nullopt;
        return n % 2 == 0 ? r[0] : r[1];
    }

    std::array<uint8_t, 32> readAllConfig()
    {
        std::array<uint8_t, 32> bytes{};
        TcpClient c;
        EXPECT_TRUE(c.connect("127.0.0.1", sim.tcpPort()));
        for (int n = 1; n <= 31; ++n) {
            const auto b = readConfigByte(c, n);
            EXPECT_TRUE(b) << "no reply for byte " << n;
            bytes[static_cast<size_t>(n)] = b.value_or(0);
        }
        return bytes;
    }

    // A whole settings write ending in the restart; waits until the
    // printer is back.
    void writeSettings(const std::vector<std::pair<uint8_t, uint8_t>> &items)
    {
        TcpClient c;
        connect(c);
        c.send({0x1B, 0x40});
        c.send({0x10});
        for (const auto &[code, value] : items)
            ASSERT_TRUE(c.send({0x1F, 0x36, code, value, 0xFF}));
        c.send({0x1D, 0xFF});
        EXPECT_TRUE(c.closedByPeer()) << "the link must drop on restart";
        ASSERT_TRUE(sim.waitFor("kova-sim ready")) << "printer did not come back";
    }

    std::string waitReceipt()
    {
        const auto line = sim.waitFor("receipt ");
        EXPECT_TRUE(line) << "no receipt";
        // "receipt 0001: DIR/receipt-0001.png 576x812, ..."
        const std::string l = line.value_or("");
        const size_t at = l.find("receipt-");
        if (at == std::string::npos || l.compare(at + 12, 4, ".png") != 0)
            return {};
        return dir.file("out/" + l.substr(at, 12));
    }
};

using KovaSimLinks = KovaSimFixture;
using KovaSimSettings = KovaSimFixture;
using KovaSimPrinting = KovaSimFixture;
using KovaSimFaults = KovaSimFixture;
using KovaSimRobustness = KovaSimFixture;
using KovaSimSerial = KovaSimFixture;

}  // namespace

TEST_F(KovaSimLinks, SaysWhereItListensAndStaysOnLoopback)
{
    start();
    EXPECT_NE(sim.readyLine().find("tcp 127.0.0.1:"), std::string::npos);
    EXPECT_NE(sim.readyLine().find("(loopback only)"), std::string::npos);
    EXPECT_GT(sim.tcpPort(), 0);
    EXPECT_GT(sim.udpPort(), 0);
}

TEST_F(KovaSimLinks, StatusAndPaperSensorOverTcpAndUdp)
{
    start();
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
    c.send({0x1B, 0x76});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
    const auto reply = udpStatus("127.0.0.1", sim.udpPort());
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 8u);
    EXPECT_EQ((*reply)[4], 0x00);
    // Nothing extra was sent.
    EXPECT_TRUE(c.receive(1, 200).empty());
}

TEST_F(KovaSimLinks, ModelAndFirmwareRepliesDecodeAsTheToolReadsThem)
{
    start({"--model", "QZ58B213X9GB", "--firmware", "0612"});
    TcpClient c;
    connect(c);
    c.send({0x1D, 0x49, 0x40, 0x27});
    const Bytes m = c.receive(17);
    ASSERT_EQ(m.size(), 17u);
    std::string code;
    for (int i : {1, 2, 3, 4, 6, 7, 8, 10, 11, 12, 14, 15})
        code.push_back(static_cast<char>(m[static_cast<size_t>(i)]));
    EXPECT_EQ(code, "QZ58B213X9GB");
    c.send({0x1D, 0x49, 0x40, 0xA3});
    const Bytes f = c.receive(6);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(std::string(f.begin() + 1, f.begin() + 5), "0612");
    EXPECT_TRUE(c.receive(1, 200).empty());
}

TEST_F(KovaSimLinks, ConfigurationReadGivesEveryByteWithBothHalvesRight)
{
    std::ofstream(dir.file("state.txt")) << "config = "
                                         << "11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 21 22 23 24 25 26 27 "
                                            "28 29 2a 2b 2c 2d 2e 2f\n";
    start({"--state", dir.file("state.txt")});
    const auto bytes = readAllConfig();
    for (int n = 1; n <= 31; ++n)
        EXPECT_EQ(bytes[static_cast<size_t>(n)], 0x10 + n) << "byte " << n;
    // The word for byte 4 carries byte 5 as its second half: the paper-width check reads it so.
    TcpClient c;
    connect(c);
    c.send({0x1F, 0x31});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    c.send({0x04});
    EXPECT_EQ(c.receive(2), (Bytes{0x14, 0x15}));
}

TEST_F(KovaSimLinks, TwoPrintersShareThePortsOnDifferentLoopbackAddresses)
{
    const int tcp = freePort("127.0.0.2");
    const int udp = freePort("127.0.0.3");
    ASSERT_GT(tcp, 0);
    SimProcess second;
    ASSERT_TRUE(sim.start({"--address", "127.0.0.2", "--tcp-port", std::to_string(tcp), "--udp-port",
                           std::to_string(udp), "--out", dir.file("a")}));
    ASSERT_TRUE(second.start({"--address", "127.0.0.3", "--tcp-port", std::to_string(tcp), "--udp-port",
                              std::to_string(udp), "--out", dir.file("b"), "--status", "08"}));
    TcpClient a, b;
    ASSERT_TRUE(a.connect("127.0.0.2", tcp));
    ASSERT_TRUE(b.connect("127.0.0.3", tcp));
    a.send({0x1B, 0x68});
    b.send({0x1B, 0x68});
    EXPECT_EQ(a.receive(1), Bytes{0x00});
    EXPECT_EQ(b.receive(1), Bytes{0x08});
    EXPECT_EQ(udpStatus("127.0.0.2", udp).value_or(Bytes(8, 0xFF))[4], 0x00);
    EXPECT_EQ(udpStatus("127.0.0.3", udp).value_or(Bytes(8, 0xFF))[4], 0x08);
    EXPECT_FALSE(TcpClient().connect("127.0.0.4", tcp));
}

TEST_F(KovaSimSettings, EveryWrittenValueReadsBackAfterTheRestart)
{
    start({"--restart-seconds", "0"});
    size_t rounds = 0;
    for (const auto &w : ToolTables::writes())
        rounds = std::max(rounds, w.values.size());
    for (size_t round = 0; round < rounds; ++round) {
        // Like the tool: every item in one write, here its round-th text.
        std::vector<std::pair<uint8_t, uint8_t>> commands;
        std::map<std::string, std::string> expected;
        for (const auto &w : ToolTables::writes()) {
            const auto &[textValue, cmds] = w.values[round % w.values.size()];
            commands.insert(commands.end(), cmds.begin(), cmds.end());
            expected[w.item] = textValue;
        }
        writeSettings(commands);
        const auto decoded = ToolTables::decode(readAllConfig());
        for (const auto &[item, value] : expected)
            EXPECT_EQ(decoded.count(item) ? decoded.at(item) : "(none)", value) << item << " round " << round;
    }
}

TEST_F(KovaSimSettings, WrittenSettingsTakeEffectOnlyAtTheRestartWindow)
{
    start();
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x40, 0x10, 0x1F, 0x36, 0x32, 0x01, 0xFF});
    // Before the restart the stored value still reads back.
    const auto before = readConfigByte(c, 5);
    ASSERT_TRUE(before);
    EXPECT_EQ(*before & 0x08, 0);
    c.send({0x1D, 0xFF});
    EXPECT_TRUE(c.closedByPeer());
    ASSERT_TRUE(sim.waitFor("kova-sim restarting"));
    // During the restart nothing answers; a connection made meanwhile is
    // served once the printer is back.
    TcpClient during;
    ASSERT_TRUE(during.connect("127.0.0.1", sim.tcpPort()));
    during.send({0x1B, 0x68});
    EXPECT_TRUE(during.receive(1, 300).empty());
    EXPECT_FALSE(udpStatus("127.0.0.1", sim.udpPort(), 200));
    ASSERT_TRUE(sim.waitFor("kova-sim ready", 5000));
    EXPECT_EQ(during.receive(1), Bytes{0x00});
    TcpClient after;
    connect(after);
    const auto now = readConfigByte(after, 5);
    ASSERT_TRUE(now);
    EXPECT_EQ(*now & 0x08, 0x08);
    EXPECT_TRUE(udpStatus("127.0.0.1", sim.udpPort()));
}

TEST_F(KovaSimSettings, StateSurvivesAStopAndStart)
{
    const std::string state = dir.file("printer.txt");
    start({"--state", state});
    writeSettings({{0x11, 0x03}, {0x32, 0x01}, {0x40, 0x10}});
    const Bytes bmp = TestBmp::make(40, 10, [](int x, int y) { return (x + y) % 3 == 0; });
    TcpClient c;
    connect(c);
    c.send(Bytes{0x1F, 0x30, 0x2C} + Bytes{0x1F} + bmp);
    c.send(Bytes{0x1F, 0x65, 0x02, 0x2A} + text("TOP LINE") + Bytes{0x00});
    c.send({0x1B, 0x68});
    ASSERT_EQ(c.receive(1).size(), 1u);  // everything before it has been taken
    const auto bytesBefore = readAllConfig();
    sim.stop();

    const Bytes savedBytes = readFile(state);
    const std::string saved(savedBytes.begin(), savedBytes.end());
    EXPECT_NE(saved.find("config = "), std::string::npos);
    EXPECT_NE(saved.find("Paper Width: 58 mm"), std::string::npos);
    EXPECT_NE(saved.find("message.2 = 2a 544f50204c494e45"), std::string::npos);
    EXPECT_NE(saved.find("image.44 = 424d"), std::string::npos);

    SimProcess again;
    auto args = baseArgs();
    args.insert(args.end(), {"--state", state});
    ASSERT_TRUE(again.start(args));
    TcpClient d;
    ASSERT_TRUE(d.connect("127.0.0.1", again.tcpPort()));
    for (int n = 1; n <= 31; ++n)
        EXPECT_EQ(readConfigByte(d, n).value_or(0xEE), bytesBefore[static_cast<size_t>(n)]) << n;
    // The stored picture prints after the restart of the process.
    d.send({0x1F, 0x30, 0x2C, 0x1D, 0x2F, 0x00, 0x1B, 0x69});
    const auto line = again.waitFor("receipt ");
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("432x"), std::string::npos);
}

TEST_F(KovaSimPrinting, TextAndCutGiveAPictureAndTheExactBytes)
{
    start();
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68});  // a query before the receipt is not part of it
    c.receive(1);
    const Bytes receipt = Bytes{0x1B, 0x40, 0x1B, 0x45, 0x01} + text("KOVA-AXX Rollvane Ver 2.28") +
                          Bytes{0x00, 0x1B, 0x45, 0x00, 0x0A} + text("Total 12.50") + Bytes{0x0A, 0x1B, 0x64, 0x03} +
                          Bytes{0x1D, 0x56, 0x42, 0x00};
    // In pieces, as a network stack may deliver it.
    for (size_t at = 0; at < receipt.size(); at += 7)
        c.send(Bytes(receipt.begin() + static_cast<long>(at),
                     receipt.begin() + static_cast<long>(std::min(at + 7, receipt.size()))));
    const std::string base = waitReceipt();
    ASSERT_FALSE(base.empty());
    EXPECT_EQ(readFile(base + ".bin"), receipt);
    const auto png = PngReader::load(base + ".png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 576);
    EXPECT_GE(png->height, 2 * 24);
    EXPECT_GT(png->blackCount(), 500);
    // Text starts at the left edge in the first line.
    long long leftHalf = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 288; ++x)
            leftHalf += png->at(x, y);
    EXPECT_GT(leftHalf, 100);
}

TEST_F(KovaSimPrinting, ReceiptsAlreadyInTheFolderAreNotOverwritten)
{
    std::filesystem::create_directories(dir.file("out"));
    std::ofstream(dir.file("out/receipt-0007.png")) << "earlier";
    start();
    TcpClient c;
    connect(c);
    c.send(Bytes{0x1B, 0x40} + text("next") + Bytes{0x0A, 0x1B, 0x69});
    EXPECT_EQ(waitReceipt(), dir.file("out/receipt-0008"));
    EXPECT_EQ(readFile(dir.file("out/receipt-0007.png")), text("earlier"));
}

TEST_F(KovaSimPrinting, SameBytesGiveTheSamePicture)
{
    start();
    TcpClient c;
    connect(c);
    const Bytes receipt = Bytes{0x1B, 0x40} + text("Same bytes, same picture") + Bytes{0x0A, 0x1B, 0x69};
    c.send(receipt);
    const std::string first = waitReceipt();
    c.send(receipt);
    const std::string second = waitReceipt();
    ASSERT_NE(first, second);
    EXPECT_EQ(readFile(first + ".png"), readFile(second + ".png"));
    EXPECT_EQ(readFile(first + ".bin"), readFile(second + ".bin"));
}

TEST_F(KovaSimPrinting, NarrowPaperPrintsFourHundredThirtyTwoDots)
{
    start();
    writeSettings({{0x32, 0x01}});
    TcpClient c;
    connect(c);
    Bytes duty = {0x1B, 0x40, 0x1B, 0x2A, 0x21, 0xA8, 0x01};
    for (int j = 1; j <= 424; ++j)
        duty.insert(duty.end(), 3, 0xFF);
    c.send(duty + Bytes{0x0A, 0x1B, 0x69});
    const auto png = PngReader::load(waitReceipt() + ".png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 432);
    // A full 100 % line: 424 columns of 24 dots.
    EXPECT_EQ(png->blackCount(), 424 * 24);
    EXPECT_TRUE(png->at(423, 0));
    EXPECT_FALSE(png->at(424, 0));
}

TEST_F(KovaSimPrinting, DownloadedBitImagePrintsDotForDot)
{
    start();
    const auto pattern = [](int x, int y) { return ((x / 4) + (y / 4)) % 2 == 0; };
    const Bytes bmp = TestBmp::make(64, 32, pattern);
    TcpClient c;
    connect(c);
    c.send({0x1F, 0x30, 0x07});
    c.send({0x1F});
    for (size_t at = 0; at < bmp.size(); at += 256)  // blocks, as the tool sends them
        c.send(Bytes(bmp.begin() + static_cast<long>(at),
                     bmp.begin() + static_cast<long>(std::min(at + 256, bmp.size()))));
    c.send({0x1F, 0x30, 0x07});
    c.send({0x1D, 0x2F, 0x00});
    for (int i = 0; i < 3; ++i)
        c.send({0x1B, 0x64, 0x08});
    c.send({0x1B, 0x69});
    const auto png = PngReader::load(waitReceipt() + ".png");
    ASSERT_TRUE(png);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(png->at(x, y), pattern(x, y)) << x << "," << y;
    EXPECT_EQ(png->blackCount(), 64 * 32 / 2);
    EXPECT_GE(png->height, 32 + 3 * 8 * 25);
}

TEST_F(KovaSimPrinting, ImageStreamLongerThanItsHeaderIsCutOff)
{
    start();
    const Bytes bmp = TestBmp::make(16, 8, [](int, int) { return true; });
    TcpClient c;
    connect(c);
    // What follows the announced length is read as commands again.
    c.send(Bytes{0x1F, 0x30, 0x01, 0x1F} + bmp + Bytes{0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
}

TEST_F(KovaSimPrinting, FrontAndBackAreTwoPanelsOfOneReceipt)
{
    start();
    TcpClient c;
    connect(c);
    c.send({0x1F, 0x60, 0x02, 0x1F, 0x63, 0x00, 0x1F, 0x64, 0x00, 0x1F, 0x66, 0x00, 0x1F, 0x69, 0x00, 0x00});
    c.send(Bytes{0x1F, 0x61, 0x00} + text("HHHHHHHH") + Bytes{0x0A});
    c.send(Bytes{0x1F, 0x61, 0x01} + text("HHHHHHHH") + Bytes{0x0A, 0x1F, 0x61, 0x00, 0x1B, 0x64, 0x06, 0x1B, 0x69});
    const auto both = PngReader::load(waitReceipt() + ".png");
    c.send(Bytes{0x1F, 0x61, 0x00} + text("HHHHHHHH") + Bytes{0x0A, 0x1B, 0x64, 0x06, 0x1B, 0x69});
    const auto front = PngReader::load(waitReceipt() + ".png");
    ASSERT_TRUE(both && front);
    EXPECT_EQ(both->width, 576);
    EXPECT_GT(both->height, front->height);
    EXPECT_GT(both->blackCount(), front->blackCount() * 3 / 2);
}

TEST_F(KovaSimPrinting, ConfigurationPrintoutEndsWithACut)
{
    start();
    writeSettings({{0x30, 0x02}, {0x60, 0x04}});
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x40, 0x10, 0x1B, 0x76});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
    c.send(Bytes{0x1B, 0x45, 0x01} + text("KOVA-AXX Rollvane Ver 2.28") +
           Bytes{0x00, 0x1B, 0x45, 0x00, 0x0A, 0x1F, 0x74});
    const std::string base = waitReceipt();
    const auto png = PngReader::load(base + ".png");
    ASSERT_TRUE(png);
    // Forty-odd lines of text.
    EXPECT_GT(png->height, 40 * 24);
    EXPECT_GT(png->blackCount(), 20000);
    const Bytes bin = readFile(base + ".bin");
    ASSERT_GE(bin.size(), 2u);
    EXPECT_EQ(Bytes(bin.end() - 2, bin.end()), (Bytes{0x1F, 0x74}));
    EXPECT_EQ(Bytes(bin.begin(), bin.begin() + 2), (Bytes{0x1B, 0x40}));
}

TEST_F(KovaSimPrinting, StoredMessagesFrameReceiptsOnlyWhenEnabled)
{
    start();
    const Bytes receipt = Bytes{0x1B, 0x40} + text("x") + Bytes{0x0A, 0x1B, 0x69};
    TcpClient c;
    connect(c);
    c.send(receipt);
    const auto plain = PngReader::load(waitReceipt() + ".png");
    c.send(Bytes{0x1F, 0x65, 0x02, 0x10} + text("TOP") + Bytes{0x00});
    c.send(Bytes{0x1F, 0x65, 0x00, 0x04} + text("BOTTOM") + Bytes{0x00});
    c.send(receipt);
    const auto stillPlain = PngReader::load(waitReceipt() + ".png");
    c.close();
    writeSettings({{0x63, 0x03}});
    connect(c);
    c.send(receipt);
    const auto framed = PngReader::load(waitReceipt() + ".png");
    ASSERT_TRUE(plain && stillPlain && framed);
    EXPECT_EQ(stillPlain->height, plain->height);
    EXPECT_EQ(stillPlain->blackCount(), plain->blackCount());
    // One line of top message and one double-height line of bottom message.
    EXPECT_GE(framed->height, plain->height + 24 + 48);
    EXPECT_GT(framed->blackCount(), plain->blackCount() * 4);
}

TEST_F(KovaSimFaults, StatusAndPaperBytesFromOptionAndControlLine)
{
    start({"--status", "08", "--paper", "0C"});
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(c.receive(2), (Bytes{0x08, 0x0C}));
    EXPECT_EQ(udpStatus("127.0.0.1", sim.udpPort()).value_or(Bytes(8, 0))[4], 0x08);
    EXPECT_EQ(sim.control("status 80").value_or(""), "ok status 80");
    EXPECT_EQ(sim.control("paper 02").value_or(""), "ok paper 02");
    c.send({0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(c.receive(2), (Bytes{0x80, 0x02}));
    EXPECT_EQ(udpStatus("127.0.0.1", sim.udpPort()).value_or(Bytes(8, 0))[4], 0x80);
    EXPECT_EQ(sim.control("status zz").value_or("").rfind("error", 0), 0u);
    EXPECT_EQ(sim.control("bogus").value_or("").rfind("error", 0), 0u);
}

TEST_F(KovaSimFaults, SilentPrinterAnswersNothingYetStillPrints)
{
    start();
    ASSERT_EQ(sim.control("silent on").value_or(""), "ok silent on");
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68, 0x1D, 0x49, 0x40, 0x27, 0x1F, 0x31, 0x02});
    EXPECT_TRUE(c.receive(1, 300).empty());
    EXPECT_FALSE(udpStatus("127.0.0.1", sim.udpPort(), 300));
    c.send(Bytes{0x1B, 0x40} + text("quiet") + Bytes{0x0A, 0x1B, 0x69});
    EXPECT_FALSE(waitReceipt().empty());
    ASSERT_EQ(sim.control("silent off").value_or(""), "ok silent off");
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
}

TEST_F(KovaSimFaults, SlowRestartKeepsThePrinterAwayLonger)
{
    start();
    ASSERT_EQ(sim.control("slow-restart 2").value_or(""), "ok slow-restart 2");
    TcpClient c;
    connect(c);
    c.send({0x1D, 0xFF});
    EXPECT_TRUE(c.closedByPeer());
    EXPECT_TRUE(sim.waitFor("back in 2 s"));
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim.waitFor("kova-sim ready", 6000));
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(1500));
}

TEST_F(KovaSimFaults, DropAfterBytesCutsTheNextTransfer)
{
    start();
    ASSERT_EQ(sim.control("drop-after 5").value_or(""), "ok drop-after 5");
    TcpClient c;
    connect(c);
    // Five bytes are taken (the status request among them), then the line goes.
    c.send({0x1B, 0x40, 0x10, 0x1B, 0x68, 0x1B, 0x76, 0x1B, 0x76});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
    EXPECT_TRUE(c.closedByPeer());
    // Only the next transfer: the one after it is whole.
    TcpClient d;
    connect(d);
    d.send({0x1B, 0x40, 0x10, 0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(d.receive(2), (Bytes{0x00, 0x00}));
}

TEST_F(KovaSimFaults, DisconnectNowDropsEveryConnection)
{
    start();
    TcpClient a, b;
    connect(a);
    connect(b);
    a.send({0x1B, 0x68});
    b.send({0x1B, 0x68});
    a.receive(1);
    b.receive(1);
    ASSERT_EQ(sim.control("disconnect").value_or(""), "ok disconnect");
    EXPECT_TRUE(a.closedByPeer());
    EXPECT_TRUE(b.closedByPeer());
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
}

TEST_F(KovaSimRobustness, GarbageLeavesItRunning)
{
    start();
    std::mt19937 random(1234);
    Bytes noise(1 << 20);
    for (auto &b : noise) {
        b = static_cast<uint8_t>(random());
        if (b == 0x1D)
            b = 0x1C;  // no end-of-settings: that would restart it on purpose
    }
    TcpClient c;
    connect(c);
    ASSERT_TRUE(c.send(noise));
    c.close();
    TcpClient d;
    connect(d);
    d.send({0x1B, 0x68});
    EXPECT_EQ(d.receive(1, 20000), Bytes{0x00});
    EXPECT_TRUE(sim.running());
    const std::string shown = sim.control("show").value_or("");
    EXPECT_EQ(shown.find("unknown-bytes 0"), std::string::npos) << shown;
    // A sane receipt still comes out after it.
    d.send(Bytes{0x1B, 0x40} + text("after the noise") + Bytes{0x0A, 0x1B, 0x69});
    const auto line = sim.waitFor("receipt ", 20000);
    EXPECT_TRUE(line);
}

TEST_F(KovaSimRobustness, AnUndrainedOutputPipeDoesNotStallThePrinter)
{
    start();
    TcpClient c;
    connect(c);
    // Far more receipt lines than a pipe holds, none of them read.
    const Bytes cut = {0x1B, 0x69};
    Bytes many;
    for (int i = 0; i < 1500; ++i)
        many.insert(many.end(), cut.begin(), cut.end());
    ASSERT_TRUE(c.send(many));
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1, 30000), Bytes{0x00});
}

TEST_F(KovaSimRobustness, ClientLeavingMidCommandIsForgotten)
{
    start();
    {
        TcpClient c;
        connect(c);
        c.send({0x1B, 0x2A, 0x21, 0x40, 0x02, 0xFF, 0xFF});  // a bit-image line cut short
        TcpClient d;
        connect(d);
        d.send(Bytes{0x1F, 0x30, 0x03, 0x1F, 'B', 'M', 0x00, 0x10, 0x00, 0x00});  // half an image
    }
    TcpClient e;
    connect(e);
    e.send({0x1B, 0x68});
    EXPECT_EQ(e.receive(1), Bytes{0x00});
    EXPECT_TRUE(sim.running());
}

TEST_F(KovaSimRobustness, TooManyClientsAreTurnedAwayNotQueued)
{
    start();
    std::vector<std::unique_ptr<TcpClient>> clients;
    for (int i = 0; i < 12; ++i) {
        clients.push_back(std::make_unique<TcpClient>());
        ASSERT_TRUE(clients.back()->connect("127.0.0.1", sim.tcpPort()));
    }
    EXPECT_TRUE(clients.back()->closedByPeer());
    clients.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
}

namespace {

int openSerial(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t{};
    ::tcgetattr(fd, &t);
    cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

Bytes serialRead(int fd, size_t count, int timeoutMs = 3000)
{
    Bytes out;
    while (out.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        uint8_t buf[256];
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

bool serialWrite(int fd, const Bytes &b)
{
    return ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
}

}  // namespace

TEST_F(KovaSimSerial, AnswersOnTheSameLineAndSurvivesPortCloses)
{
    const std::string link = dir.file("ttyKOVA");
    start({"--serial-link", link});
    EXPECT_NE(sim.readyLine().find("serial " + link), std::string::npos);
    for (int round = 0; round < 3; ++round) {
        const int fd = openSerial(link);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(serialWrite(fd, {0x1B, 0x68}));
        EXPECT_EQ(serialRead(fd, 1), Bytes{0x00}) << "round " << round;
        ASSERT_TRUE(serialWrite(fd, {0x1B, 0x40, 0x10, 0x1F, 0x31, 0x01}));
        EXPECT_EQ(serialRead(fd, 2), (Bytes{0x00, 0x02}));
        ::close(fd);
    }
    // Printing over the serial line.
    const int fd = openSerial(link);
    ASSERT_GE(fd, 0);
    const Bytes receipt = Bytes{0x1B, 0x40} + text("serial receipt") + Bytes{0x0A, 0x1B, 0x69};
    ASSERT_TRUE(serialWrite(fd, receipt));
    const std::string base = waitReceipt();
    EXPECT_EQ(readFile(base + ".bin"), receipt);
    ::close(fd);
    // TCP is unaffected by all this.
    TcpClient c;
    connect(c);
    c.send({0x1B, 0x68});
    EXPECT_EQ(c.receive(1), Bytes{0x00});
    sim.stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "link left behind";
}

TEST_F(KovaSimSerial, AnExclusiveOpenDoesNotOutliveTheProgram)
{
    // Root ignores the flag, so look at the flag itself: left set, it would
    // keep every other user's program out after this one closed the port.
    const std::string link = dir.file("ttyKOVA");
    start({"--serial-link", link});
    const int fd = openSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ASSERT_TRUE(serialWrite(fd, {0x1B, 0x68}));
    EXPECT_EQ(serialRead(fd, 1), Bytes{0x00});
    int exclusive = 1;
    for (int i = 0; i < 40 && exclusive; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    }
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
}

TEST_F(KovaSimSerial, DisconnectHangsTheLineUpAndALinkToANewOneFollows)
{
    const std::string link = dir.file("ttyKOVA");
    start({"--serial-link", link});
    const int fd = openSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(sim.control("disconnect").value_or(""), "ok disconnect");
    uint8_t b;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_LE(::read(fd, &b, 1), 0);  // the old line is gone
    ::close(fd);
    const int again = openSerial(link);
    ASSERT_GE(again, 0);
    serialWrite(again, {0x1B, 0x68});
    EXPECT_EQ(serialRead(again, 1), Bytes{0x00});
    ::close(again);
}

TEST_F(KovaSimSerial, DropAfterBytesHangsUpTheSerialLine)
{
    const std::string link = dir.file("ttyKOVA");
    start({"--serial-link", link, "--drop-after", "2"});
    const int fd = openSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(serialWrite(fd, {0x1B, 0x68, 0x1B, 0x68}));
    // The line goes after the first request; like a pulled cable, its
    // answer may be lost with it, but never the second one's.
    size_t answers = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 2000), 1) << "the line did not hang up";
        uint8_t b;
        if (::read(fd, &b, 1) <= 0)
            break;
        ++answers;
    }
    EXPECT_LE(answers, 1u);
    ::close(fd);
    const int again = openSerial(link);
    ASSERT_GE(again, 0);
    serialWrite(again, {0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(serialRead(again, 2), (Bytes{0x00, 0x00}));
    ::close(again);
}

TEST(KovaSimCommandLine, HelpDocumentsOptionsAndControlLinesAndBadOptionsFail)
{
    SimProcess help;
    const int status = help.runToExit({"--help"});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string all;
    for (const auto &l : help.lines())
        all += l + "\n";
    for (const char *word : {"--address", "--tcp-port", "--udp-port", "--serial-link", "--state", "--out", "--model",
                             "--firmware", "--restart-seconds", "--status", "--paper", "--silent", "--slow-restart",
                             "--drop-after", "disconnect", "drop-after N", "silent on|off"})
        EXPECT_NE(all.find(word), std::string::npos) << word;
    SimProcess bad;
    EXPECT_EQ(WEXITSTATUS(bad.runToExit({"--model", "SHORT"})), 2);
    SimProcess bad2;
    EXPECT_EQ(WEXITSTATUS(bad2.runToExit({"--tcp-port", "70000"})), 2);
    SimProcess bad3;
    EXPECT_EQ(WEXITSTATUS(bad3.runToExit({"--serial-link"})), 2);
}
