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

Bytes Text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

Bytes ReadFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The pattern byte of column j (from 1) of the tool's duty pages, by test code:
// 3 to 7 for 12.5, 25, 50, 75 and 100 %.
uint8_t DutyByte(int code, int j)
{
    static constexpr uint8_t kSeventyFive[] = {0xEE, 0x77, 0xBB, 0xDD};
    switch (code) {
    case 3:
        return static_cast<uint8_t>(1u << (j % 8));
    case 4:
        return static_cast<uint8_t>(0x11u << (j % 4));
    case 5:
        return j % 2 ? 0x55 : 0xAA;
    case 6:
        return kSeventyFive[(j - 1) % 4];
    default:
        return 0xFF;
    }
}

// A front-side duty page as the tool sends it, after its paper-sensor read:
// dual-side set-up, a line feed, 27 bit-image lines each with its line feed,
// the ending and the cut.
std::vector<Bytes> DutyPage(int dots, int code)
{
    std::vector<Bytes> sends = {{0x1F, 0x60, 0x02},
                                {0x1F, 0x63, 0x00},
                                {0x1F, 0x64, 0x00},
                                {0x1F, 0x66, 0x00},
                                {0x1F, 0x69, 0x00, 0x00},
                                {0x0A},
                                {0x1F, 0x61},
                                {0x00}};
    Bytes line = {0x1B, 0x2A, 0x21, static_cast<uint8_t>(dots % 256), static_cast<uint8_t>(dots / 256)};
    for (int j = 1; j <= dots; ++j)
        line.insert(line.end(), 3, DutyByte(code, j));
    for (int i = 0; i < 27; ++i) {
        sends.push_back(line);
        sends.push_back({0x0A});
    }
    for (const Bytes &b : std::vector<Bytes>{{0x1F, 0x61}, {0x00}, {0x0A}, {0x1B, 0x64, 0x06}, {0x1B, 0x69}})
        sends.push_back(b);
    return sends;
}

// The page is one block of 27 x 24 rows below the first line feed, the
// pattern in the first dots columns and nothing else anywhere.
void ExpectDutyBlock(const PngReader &png, int dots, int code)
{
    const int top = 25;  // the line feed at the configured 8.13 lines an inch
    ASSERT_EQ(png.height, top + 27 * 24 + 25 + 6 * 25);
    long long wrong = 0;
    std::string first;
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            const bool in = y >= top && y < top + 27 * 24 && x < dots;
            const bool black = in && (DutyByte(code, x + 1) & (0x80u >> ((y - top) % 8)));
            if (png.at(x, y) != black && wrong++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    EXPECT_EQ(wrong, 0) << "dots not as sent, the first at " << first;
}

class KovaSimFixture : public ::testing::Test {
protected:
    TempDir dir;
    SimProcess sim;

    std::vector<std::string> baseArgs() const
    {
        return {"--tcp-port", "0", "--udp-port", "0", "--out", dir.file("out"), "--restart-seconds", "1"};
    }

    void Start(const std::vector<std::string> &extra = {})
    {
        auto args = baseArgs();
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.Start(args)) << "kova-sim did not come up";
    }

    void Connect(TcpClient &c) { ASSERT_TRUE(c.Connect("127.0.0.1", sim.tcpPort())); }

    // The tool's configuration byte read: initialise, prefix byte, then the
    // read command; first reply byte for an even n, second for an odd n.
    std::optional<uint8_t> ReadConfigByte(TcpClient &c, int n)
    {
        c.Send({0x1B, 0x40});
        c.Send({0x10});
        c.Send({0x1F, 0x31, static_cast<uint8_t>(n)});
        const Bytes r = c.Receive(2);
        if (r.size() != 2)
            return std::nullopt;
        return n % 2 == 0 ? r[0] : r[1];
    }

    std::array<uint8_t, 32> ReadAllConfig()
    {
        std::array<uint8_t, 32> bytes{};
        TcpClient c;
        EXPECT_TRUE(c.Connect("127.0.0.1", sim.tcpPort()));
        for (int n = 1; n <= 31; ++n) {
            const auto b = ReadConfigByte(c, n);
            EXPECT_TRUE(b) << "no reply for byte " << n;
            bytes[static_cast<size_t>(n)] = b.value_or(0);
        }
        return bytes;
    }

    // A whole settings write ending in the restart; waits until the
    // printer is back.
    void WriteSettings(const std::vector<std::pair<uint8_t, uint8_t>> &items)
    {
        TcpClient c;
        Connect(c);
        c.Send({0x1B, 0x40});
        c.Send({0x10});
        for (const auto &[code, value] : items)
            ASSERT_TRUE(c.Send({0x1F, 0x36, code, value, 0xFF}));
        c.Send({0x1D, 0xFF});
        EXPECT_TRUE(c.ClosedByPeer()) << "the link must drop on restart";
        ASSERT_TRUE(sim.WaitFor("kova-sim ready")) << "printer did not come back";
    }

    // The tool's paper-width check: the two bytes answered for byte 4 inside
    // the access; bit 3 of the second is set at 58 mm.
    Bytes WidthCheck(TcpClient &c)
    {
        c.Send({0x1F, 0x7A, 0x74, 0x01});
        c.Send({0x1F, 0x31});
        c.Send({0x04});
        const Bytes r = c.Receive(2);
        c.Send({0x1F, 0x7A, 0x74, 0x00});
        return r;
    }

    std::optional<PngReader> PrintDutyPage(TcpClient &c, int dots, int code)
    {
        c.Send({0x1B, 0x40});
        c.Send({0x10});
        c.Send({0x1B, 0x76});
        EXPECT_EQ(c.Receive(1), Bytes{0x00});
        for (const Bytes &b : DutyPage(dots, code))
            c.Send(b);
        return PngReader::Load(WaitReceipt() + ".png");
    }

    std::string WaitReceipt()
    {
        const auto line = sim.WaitFor("receipt ");
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
    Start();
    EXPECT_NE(sim.readyLine().find("tcp 127.0.0.1:"), std::string::npos);
    EXPECT_NE(sim.readyLine().find("(loopback only)"), std::string::npos);
    EXPECT_GT(sim.tcpPort(), 0);
    EXPECT_GT(sim.udpPort(), 0);
}

TEST_F(KovaSimLinks, StatusAndPaperSensorOverTcpAndUdp)
{
    Start();
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
    c.Send({0x1B, 0x76});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
    const auto reply = UdpStatus("127.0.0.1", sim.udpPort());
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 8u);
    EXPECT_EQ((*reply)[4], 0x00);
    // Nothing extra was sent.
    EXPECT_TRUE(c.Receive(1, 200).empty());
}

TEST_F(KovaSimLinks, ModelAndFirmwareRepliesDecodeAsTheToolReadsThem)
{
    Start({"--model", "QZ58B213X9GB", "--firmware", "0612"});
    TcpClient c;
    Connect(c);
    c.Send({0x1D, 0x49, 0x40, 0x27});
    const Bytes m = c.Receive(17);
    ASSERT_EQ(m.size(), 17u);
    std::string code;
    for (int i : {1, 2, 3, 4, 6, 7, 8, 10, 11, 12, 14, 15})
        code.push_back(static_cast<char>(m[static_cast<size_t>(i)]));
    EXPECT_EQ(code, "QZ58B213X9GB");
    c.Send({0x1D, 0x49, 0x40, 0xA3});
    const Bytes f = c.Receive(6);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(std::string(f.begin() + 1, f.begin() + 5), "0612");
    EXPECT_TRUE(c.Receive(1, 200).empty());
}

TEST_F(KovaSimLinks, ConfigurationReadGivesEveryByteWithBothHalvesRight)
{
    std::ofstream(dir.file("state.txt")) << "config = "
                                         << "11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 21 22 23 24 25 26 27 "
                                            "28 29 2a 2b 2c 2d 2e 2f\n";
    Start({"--state", dir.file("state.txt")});
    const auto bytes = ReadAllConfig();
    for (int n = 1; n <= 31; ++n)
        EXPECT_EQ(bytes[static_cast<size_t>(n)], 0x10 + n) << "byte " << n;
    // The word for byte 4 carries byte 5 as its second half: the paper-width check reads it so.
    TcpClient c;
    Connect(c);
    c.Send({0x1F, 0x31});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    c.Send({0x04});
    EXPECT_EQ(c.Receive(2), (Bytes{0x14, 0x15}));
}

TEST_F(KovaSimLinks, TwoPrintersShareThePortsOnDifferentLoopbackAddresses)
{
    const int tcp = FreePort("127.0.0.2");
    const int udp = FreePort("127.0.0.3");
    ASSERT_GT(tcp, 0);
    SimProcess second;
    ASSERT_TRUE(sim.Start({"--address", "127.0.0.2", "--tcp-port", std::to_string(tcp), "--udp-port",
                           std::to_string(udp), "--out", dir.file("a")}));
    ASSERT_TRUE(second.Start({"--address", "127.0.0.3", "--tcp-port", std::to_string(tcp), "--udp-port",
                              std::to_string(udp), "--out", dir.file("b"), "--status", "08"}));
    TcpClient a, b;
    ASSERT_TRUE(a.Connect("127.0.0.2", tcp));
    ASSERT_TRUE(b.Connect("127.0.0.3", tcp));
    a.Send({0x1B, 0x68});
    b.Send({0x1B, 0x68});
    EXPECT_EQ(a.Receive(1), Bytes{0x00});
    EXPECT_EQ(b.Receive(1), Bytes{0x08});
    EXPECT_EQ(UdpStatus("127.0.0.2", udp).value_or(Bytes(8, 0xFF))[4], 0x00);
    EXPECT_EQ(UdpStatus("127.0.0.3", udp).value_or(Bytes(8, 0xFF))[4], 0x08);
    EXPECT_FALSE(TcpClient().Connect("127.0.0.4", tcp));
}

TEST_F(KovaSimSettings, EveryWrittenValueReadsBackAfterTheRestart)
{
    Start({"--restart-seconds", "0"});
    size_t rounds = 0;
    for (const auto &w : ToolTables::Writes())
        rounds = std::max(rounds, w.values.size());
    for (size_t round = 0; round < rounds; ++round) {
        // Like the tool: every item in one write, here its round-th text.
        std::vector<std::pair<uint8_t, uint8_t>> commands;
        std::map<std::string, std::string> expected;
        for (const auto &w : ToolTables::Writes()) {
            const auto &[textValue, cmds] = w.values[round % w.values.size()];
            commands.insert(commands.end(), cmds.begin(), cmds.end());
            expected[w.item] = textValue;
        }
        WriteSettings(commands);
        const auto decoded = ToolTables::Decode(ReadAllConfig());
        for (const auto &[item, value] : expected)
            EXPECT_EQ(decoded.count(item) ? decoded.at(item) : "(none)", value) << item << " round " << round;
    }
}

TEST_F(KovaSimSettings, WrittenSettingsTakeEffectOnlyAtTheRestartWindow)
{
    Start();
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x40, 0x10, 0x1F, 0x36, 0x32, 0x01, 0xFF});
    // Before the restart the stored value still reads back.
    const auto before = ReadConfigByte(c, 5);
    ASSERT_TRUE(before);
    EXPECT_EQ(*before & 0x08, 0);
    c.Send({0x1D, 0xFF});
    EXPECT_TRUE(c.ClosedByPeer());
    ASSERT_TRUE(sim.WaitFor("kova-sim restarting"));
    // During the restart nothing answers; a connection made meanwhile is
    // served once the printer is back.
    TcpClient during;
    ASSERT_TRUE(during.Connect("127.0.0.1", sim.tcpPort()));
    during.Send({0x1B, 0x68});
    EXPECT_TRUE(during.Receive(1, 300).empty());
    EXPECT_FALSE(UdpStatus("127.0.0.1", sim.udpPort(), 200));
    ASSERT_TRUE(sim.WaitFor("kova-sim ready", 5000));
    EXPECT_EQ(during.Receive(1), Bytes{0x00});
    TcpClient after;
    Connect(after);
    const auto now = ReadConfigByte(after, 5);
    ASSERT_TRUE(now);
    EXPECT_EQ(*now & 0x08, 0x08);
    EXPECT_TRUE(UdpStatus("127.0.0.1", sim.udpPort()));
}

TEST_F(KovaSimSettings, PaperWidthChangesAtTheRestartAsTheTestPrintDoesIt)
{
    Start({"--restart-seconds", "0"});
    TcpClient c;
    Connect(c);
    const Bytes at80 = WidthCheck(c);
    ASSERT_EQ(at80.size(), 2u);
    EXPECT_EQ(at80[1] & 0x08, 0);

    // Written, not yet taken over: the width and its bit stay at 80 mm, for
    // the receipt under way and the next one.
    c.Send({0x1F, 0x36, 0x32, 0x01, 0xFF});
    EXPECT_EQ(WidthCheck(c), at80);
    for (int page = 0; page < 2; ++page) {
        const auto before = PrintDutyPage(c, 424, 3);
        ASSERT_TRUE(before);
        EXPECT_EQ(before->width, 576);
    }

    c.Send({0x1D, 0xFF});
    EXPECT_TRUE(c.ClosedByPeer());
    ASSERT_TRUE(sim.WaitFor("kova-sim ready"));
    TcpClient d;
    Connect(d);
    const Bytes at58 = WidthCheck(d);
    ASSERT_EQ(at58.size(), 2u);
    EXPECT_EQ(at58[0], at80[0]);
    EXPECT_EQ(at58[1], at80[1] | 0x08);

    // 36 characters fill the 432-dot line; a 37th starts the next one.
    d.Send(Bytes{0x1B, 0x40} + Text(std::string(36, 'H')) + Bytes{0x0A} + Text(std::string(37, 'H')) +
           Bytes{0x0A, 0x1B, 0x69});
    const auto text = PngReader::Load(WaitReceipt() + ".png");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->width, 432);
    EXPECT_EQ(text->height, 3 * 25);
    const auto inkIn = [&](int x0, int x1, int y0, int y1) {
        long long n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += text->at(x, y);
        return n;
    };
    EXPECT_GT(inkIn(420, 432, 0, 25), 0);
    EXPECT_GT(inkIn(420, 432, 25, 50), 0);
    EXPECT_GT(inkIn(0, 12, 50, 75), 0);
    EXPECT_EQ(inkIn(12, 432, 50, 75), 0);

    // And back to 80 mm.
    d.Send({0x1F, 0x36, 0x32, 0x00, 0xFF, 0x1D, 0xFF});
    EXPECT_TRUE(d.ClosedByPeer());
    ASSERT_TRUE(sim.WaitFor("kova-sim ready"));
    TcpClient e;
    Connect(e);
    EXPECT_EQ(WidthCheck(e), at80);
    const auto after = PrintDutyPage(e, 576, 7);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->width, 576);
}

TEST_F(KovaSimSettings, StateSurvivesAStopAndStart)
{
    const std::string state = dir.file("printer.txt");
    Start({"--state", state});
    WriteSettings({{0x11, 0x03}, {0x32, 0x01}, {0x40, 0x10}});
    const Bytes bmp = TestBmp::Make(40, 10, [](int x, int y) { return (x + y) % 3 == 0; });
    TcpClient c;
    Connect(c);
    c.Send(Bytes{0x1F, 0x30, 0x2C} + Bytes{0x1F} + bmp);
    c.Send(Bytes{0x1F, 0x65, 0x02, 0x2A} + Text("TOP LINE") + Bytes{0x00});
    c.Send({0x1B, 0x68});
    ASSERT_EQ(c.Receive(1).size(), 1u);  // everything before it has been taken
    const auto bytesBefore = ReadAllConfig();
    sim.Stop();

    const Bytes savedBytes = ReadFile(state);
    const std::string saved(savedBytes.begin(), savedBytes.end());
    EXPECT_NE(saved.find("config = "), std::string::npos);
    EXPECT_NE(saved.find("Paper Width: 58 mm"), std::string::npos);
    EXPECT_NE(saved.find("message.2 = 2a 544f50204c494e45"), std::string::npos);
    EXPECT_NE(saved.find("image.44 = 424d"), std::string::npos);

    SimProcess again;
    auto args = baseArgs();
    args.insert(args.end(), {"--state", state});
    ASSERT_TRUE(again.Start(args));
    TcpClient d;
    ASSERT_TRUE(d.Connect("127.0.0.1", again.tcpPort()));
    for (int n = 1; n <= 31; ++n)
        EXPECT_EQ(ReadConfigByte(d, n).value_or(0xEE), bytesBefore[static_cast<size_t>(n)]) << n;
    // The stored picture prints after the restart of the process.
    d.Send({0x1F, 0x30, 0x2C, 0x1D, 0x2F, 0x00, 0x1B, 0x69});
    const auto line = again.WaitFor("receipt ");
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("432x"), std::string::npos);
}

TEST_F(KovaSimPrinting, TextAndCutGiveAPictureAndTheExactBytes)
{
    Start();
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68});  // a query before the receipt is not part of it
    c.Receive(1);
    const Bytes receipt = Bytes{0x1B, 0x40, 0x1B, 0x45, 0x01} + Text("KOVA-AXX Rollvane Ver 2.28") +
                          Bytes{0x00, 0x1B, 0x45, 0x00, 0x0A} + Text("Total 12.50") + Bytes{0x0A, 0x1B, 0x64, 0x03} +
                          Bytes{0x1D, 0x56, 0x42, 0x00};
    // In pieces, as a network stack may deliver it.
    for (size_t at = 0; at < receipt.size(); at += 7)
        c.Send(Bytes(receipt.begin() + static_cast<long>(at),
                     receipt.begin() + static_cast<long>(std::min(at + 7, receipt.size()))));
    const std::string base = WaitReceipt();
    ASSERT_FALSE(base.empty());
    EXPECT_EQ(ReadFile(base + ".bin"), receipt);
    const auto png = PngReader::Load(base + ".png");
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
    Start();
    TcpClient c;
    Connect(c);
    c.Send(Bytes{0x1B, 0x40} + Text("next") + Bytes{0x0A, 0x1B, 0x69});
    EXPECT_EQ(WaitReceipt(), dir.file("out/receipt-0008"));
    EXPECT_EQ(ReadFile(dir.file("out/receipt-0007.png")), Text("earlier"));
}

TEST_F(KovaSimPrinting, SameBytesGiveTheSamePicture)
{
    Start();
    TcpClient c;
    Connect(c);
    const Bytes receipt = Bytes{0x1B, 0x40} + Text("Same bytes, same picture") + Bytes{0x0A, 0x1B, 0x69};
    c.Send(receipt);
    const std::string first = WaitReceipt();
    c.Send(receipt);
    const std::string second = WaitReceipt();
    ASSERT_NE(first, second);
    EXPECT_EQ(ReadFile(first + ".png"), ReadFile(second + ".png"));
    EXPECT_EQ(ReadFile(first + ".bin"), ReadFile(second + ".bin"));
}

TEST_F(KovaSimPrinting, DutyPagesPrintDotForDotAsOneBlock)
{
    struct Case {
        int paperMm;
        int code;
    };
    // 80 mm first: one width change on the way.
    const Case cases[] = {{80, 3}, {80, 4}, {80, 5}, {80, 6}, {80, 7}, {58, 3}, {58, 7}};
    Start({"--restart-seconds", "0"});
    int paper = 80;
    for (const Case &k : cases) {
        if (k.paperMm != paper) {
            WriteSettings({{0x32, 0x01}});
            paper = k.paperMm;
        }
        const int dots = paper == 80 ? 576 : 424;
        TcpClient c;
        Connect(c);
        const auto png = PrintDutyPage(c, dots, k.code);
        ASSERT_TRUE(png);
        EXPECT_EQ(png->width, paper == 80 ? 576 : 432);
        SCOPED_TRACE(std::to_string(paper) + " mm, test " + std::to_string(k.code));
        ExpectDutyBlock(*png, dots, k.code);
    }
}

TEST_F(KovaSimPrinting, DownloadedBitImagePrintsDotForDot)
{
    Start();
    const auto pattern = [](int x, int y) { return ((x / 4) + (y / 4)) % 2 == 0; };
    const Bytes bmp = TestBmp::Make(64, 32, pattern);
    TcpClient c;
    Connect(c);
    c.Send({0x1F, 0x30, 0x07});
    c.Send({0x1F});
    for (size_t at = 0; at < bmp.size(); at += 256)  // blocks, as the tool sends them
        c.Send(Bytes(bmp.begin() + static_cast<long>(at),
                     bmp.begin() + static_cast<long>(std::min(at + 256, bmp.size()))));
    c.Send({0x1F, 0x30, 0x07});
    c.Send({0x1D, 0x2F, 0x00});
    for (int i = 0; i < 3; ++i)
        c.Send({0x1B, 0x64, 0x08});
    c.Send({0x1B, 0x69});
    const auto png = PngReader::Load(WaitReceipt() + ".png");
    ASSERT_TRUE(png);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(png->at(x, y), pattern(x, y)) << x << "," << y;
    EXPECT_EQ(png->blackCount(), 64 * 32 / 2);
    EXPECT_GE(png->height, 32 + 3 * 8 * 25);
}

TEST_F(KovaSimPrinting, ImageStreamLongerThanItsHeaderIsCutOff)
{
    Start();
    const Bytes bmp = TestBmp::Make(16, 8, [](int, int) { return true; });
    TcpClient c;
    Connect(c);
    // What follows the announced length is read as commands again.
    c.Send(Bytes{0x1F, 0x30, 0x01, 0x1F} + bmp + Bytes{0x1B, 0x68});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
}

TEST_F(KovaSimPrinting, FrontAndBackAreTwoPanelsOfOneReceipt)
{
    Start();
    TcpClient c;
    Connect(c);
    c.Send({0x1F, 0x60, 0x02, 0x1F, 0x63, 0x00, 0x1F, 0x64, 0x00, 0x1F, 0x66, 0x00, 0x1F, 0x69, 0x00, 0x00});
    c.Send(Bytes{0x1F, 0x61, 0x00} + Text("HHHHHHHH") + Bytes{0x0A});
    c.Send(Bytes{0x1F, 0x61, 0x01} + Text("HHHHHHHH") + Bytes{0x0A, 0x1F, 0x61, 0x00, 0x1B, 0x64, 0x06, 0x1B, 0x69});
    const auto both = PngReader::Load(WaitReceipt() + ".png");
    c.Send(Bytes{0x1F, 0x61, 0x00} + Text("HHHHHHHH") + Bytes{0x0A, 0x1B, 0x64, 0x06, 0x1B, 0x69});
    const auto front = PngReader::Load(WaitReceipt() + ".png");
    ASSERT_TRUE(both && front);
    EXPECT_EQ(both->width, 576);
    EXPECT_GT(both->height, front->height);
    EXPECT_GT(both->blackCount(), front->blackCount() * 3 / 2);
}

TEST_F(KovaSimPrinting, ConfigurationPrintoutEndsWithACut)
{
    Start();
    WriteSettings({{0x30, 0x02}, {0x60, 0x04}});
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x40, 0x10, 0x1B, 0x76});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
    c.Send(Bytes{0x1B, 0x45, 0x01} + Text("KOVA-AXX Rollvane Ver 2.28") +
           Bytes{0x00, 0x1B, 0x45, 0x00, 0x0A, 0x1F, 0x74});
    const std::string base = WaitReceipt();
    const auto png = PngReader::Load(base + ".png");
    ASSERT_TRUE(png);
    // Forty-odd lines of text.
    EXPECT_GT(png->height, 40 * 24);
    EXPECT_GT(png->blackCount(), 20000);
    const Bytes bin = ReadFile(base + ".bin");
    ASSERT_GE(bin.size(), 2u);
    EXPECT_EQ(Bytes(bin.end() - 2, bin.end()), (Bytes{0x1F, 0x74}));
    EXPECT_EQ(Bytes(bin.begin(), bin.begin() + 2), (Bytes{0x1B, 0x40}));
}

TEST_F(KovaSimPrinting, StoredMessagesFrameReceiptsOnlyWhenEnabled)
{
    Start();
    const Bytes receipt = Bytes{0x1B, 0x40} + Text("x") + Bytes{0x0A, 0x1B, 0x69};
    TcpClient c;
    Connect(c);
    c.Send(receipt);
    const auto plain = PngReader::Load(WaitReceipt() + ".png");
    c.Send(Bytes{0x1F, 0x65, 0x02, 0x10} + Text("TOP") + Bytes{0x00});
    c.Send(Bytes{0x1F, 0x65, 0x00, 0x04} + Text("BOTTOM") + Bytes{0x00});
    c.Send(receipt);
    const auto stillPlain = PngReader::Load(WaitReceipt() + ".png");
    c.Close();
    WriteSettings({{0x63, 0x03}});
    Connect(c);
    c.Send(receipt);
    const auto framed = PngReader::Load(WaitReceipt() + ".png");
    ASSERT_TRUE(plain && stillPlain && framed);
    EXPECT_EQ(stillPlain->height, plain->height);
    EXPECT_EQ(stillPlain->blackCount(), plain->blackCount());
    // One line of top message and one double-height line of bottom message.
    EXPECT_GE(framed->height, plain->height + 24 + 48);
    EXPECT_GT(framed->blackCount(), plain->blackCount() * 4);
}

TEST_F(KovaSimFaults, StatusAndPaperBytesFromOptionAndControlLine)
{
    Start({"--status", "08", "--paper", "0C"});
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(c.Receive(2), (Bytes{0x08, 0x0C}));
    EXPECT_EQ(UdpStatus("127.0.0.1", sim.udpPort()).value_or(Bytes(8, 0))[4], 0x08);
    EXPECT_EQ(sim.Control("status 80").value_or(""), "ok status 80");
    EXPECT_EQ(sim.Control("paper 02").value_or(""), "ok paper 02");
    c.Send({0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(c.Receive(2), (Bytes{0x80, 0x02}));
    EXPECT_EQ(UdpStatus("127.0.0.1", sim.udpPort()).value_or(Bytes(8, 0))[4], 0x80);
    EXPECT_EQ(sim.Control("status zz").value_or("").rfind("error", 0), 0u);
    EXPECT_EQ(sim.Control("bogus").value_or("").rfind("error", 0), 0u);
}

TEST_F(KovaSimFaults, SilentPrinterAnswersNothingYetStillPrints)
{
    Start();
    ASSERT_EQ(sim.Control("silent on").value_or(""), "ok silent on");
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68, 0x1D, 0x49, 0x40, 0x27, 0x1F, 0x31, 0x02});
    EXPECT_TRUE(c.Receive(1, 300).empty());
    EXPECT_FALSE(UdpStatus("127.0.0.1", sim.udpPort(), 300));
    c.Send(Bytes{0x1B, 0x40} + Text("quiet") + Bytes{0x0A, 0x1B, 0x69});
    EXPECT_FALSE(WaitReceipt().empty());
    ASSERT_EQ(sim.Control("silent off").value_or(""), "ok silent off");
    c.Send({0x1B, 0x68});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
}

TEST_F(KovaSimFaults, SlowRestartKeepsThePrinterAwayLonger)
{
    Start();
    ASSERT_EQ(sim.Control("slow-restart 2").value_or(""), "ok slow-restart 2");
    TcpClient c;
    Connect(c);
    c.Send({0x1D, 0xFF});
    EXPECT_TRUE(c.ClosedByPeer());
    EXPECT_TRUE(sim.WaitFor("back in 2 s"));
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim.WaitFor("kova-sim ready", 6000));
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(1500));
}

TEST_F(KovaSimFaults, DropAfterBytesCutsTheNextTransfer)
{
    Start();
    ASSERT_EQ(sim.Control("drop-after 5").value_or(""), "ok drop-after 5");
    TcpClient c;
    Connect(c);
    // Five bytes are taken (the status request among them), then the line goes.
    c.Send({0x1B, 0x40, 0x10, 0x1B, 0x68, 0x1B, 0x76, 0x1B, 0x76});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
    EXPECT_TRUE(c.ClosedByPeer());
    // Only the next transfer: the one after it is whole.
    TcpClient d;
    Connect(d);
    d.Send({0x1B, 0x40, 0x10, 0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(d.Receive(2), (Bytes{0x00, 0x00}));
}

TEST_F(KovaSimFaults, DisconnectNowDropsEveryConnection)
{
    Start();
    TcpClient a, b;
    Connect(a);
    Connect(b);
    a.Send({0x1B, 0x68});
    b.Send({0x1B, 0x68});
    a.Receive(1);
    b.Receive(1);
    ASSERT_EQ(sim.Control("disconnect").value_or(""), "ok disconnect");
    EXPECT_TRUE(a.ClosedByPeer());
    EXPECT_TRUE(b.ClosedByPeer());
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
}

TEST_F(KovaSimRobustness, GarbageLeavesItRunning)
{
    Start();
    std::mt19937 random(1234);
    Bytes noise(1 << 20);
    for (auto &b : noise) {
        b = static_cast<uint8_t>(random());
        if (b == 0x1D)
            b = 0x1C;  // no end-of-settings: that would restart it on purpose
    }
    TcpClient c;
    Connect(c);
    ASSERT_TRUE(c.Send(noise));
    c.Close();
    TcpClient d;
    Connect(d);
    d.Send({0x1B, 0x68});
    EXPECT_EQ(d.Receive(1, 20000), Bytes{0x00});
    EXPECT_TRUE(sim.Running());
    const std::string shown = sim.Control("show").value_or("");
    EXPECT_EQ(shown.find("unknown-bytes 0"), std::string::npos) << shown;
    // A sane receipt still comes out after it.
    d.Send(Bytes{0x1B, 0x40} + Text("after the noise") + Bytes{0x0A, 0x1B, 0x69});
    const auto line = sim.WaitFor("receipt ", 20000);
    EXPECT_TRUE(line);
}

TEST_F(KovaSimRobustness, AnUndrainedOutputPipeDoesNotStallThePrinter)
{
    Start();
    TcpClient c;
    Connect(c);
    // Far more receipt lines than a pipe holds, none of them read.
    const Bytes cut = {0x1B, 0x69};
    Bytes many;
    for (int i = 0; i < 1500; ++i)
        many.insert(many.end(), cut.begin(), cut.end());
    ASSERT_TRUE(c.Send(many));
    c.Send({0x1B, 0x68});
    EXPECT_EQ(c.Receive(1, 30000), Bytes{0x00});
}

TEST_F(KovaSimRobustness, ClientLeavingMidCommandIsForgotten)
{
    Start();
    {
        TcpClient c;
        Connect(c);
        c.Send({0x1B, 0x2A, 0x21, 0x40, 0x02, 0xFF, 0xFF});  // a bit-image line cut short
        TcpClient d;
        Connect(d);
        d.Send(Bytes{0x1F, 0x30, 0x03, 0x1F, 'B', 'M', 0x00, 0x10, 0x00, 0x00});  // half an image
    }
    TcpClient e;
    Connect(e);
    e.Send({0x1B, 0x68});
    EXPECT_EQ(e.Receive(1), Bytes{0x00});
    EXPECT_TRUE(sim.Running());
}

namespace {

int OpenSerial(const std::string &path)
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

Bytes SerialRead(int fd, size_t count, int timeoutMs = 3000)
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

bool SerialWrite(int fd, const Bytes &b)
{
    return ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
}

}  // namespace

TEST_F(KovaSimSerial, AnswersOnTheSameLineAndSurvivesPortCloses)
{
    const std::string link = dir.file("ttyKOVA");
    Start({"--serial-link", link});
    EXPECT_NE(sim.readyLine().find("serial " + link), std::string::npos);
    for (int round = 0; round < 3; ++round) {
        const int fd = OpenSerial(link);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(SerialWrite(fd, {0x1B, 0x68}));
        EXPECT_EQ(SerialRead(fd, 1), Bytes{0x00}) << "round " << round;
        ASSERT_TRUE(SerialWrite(fd, {0x1B, 0x40, 0x10, 0x1F, 0x31, 0x01}));
        EXPECT_EQ(SerialRead(fd, 2), (Bytes{0x00, 0x02}));
        ::close(fd);
    }
    // Printing over the serial line.
    const int fd = OpenSerial(link);
    ASSERT_GE(fd, 0);
    const Bytes receipt = Bytes{0x1B, 0x40} + Text("serial receipt") + Bytes{0x0A, 0x1B, 0x69};
    ASSERT_TRUE(SerialWrite(fd, receipt));
    const std::string base = WaitReceipt();
    EXPECT_EQ(ReadFile(base + ".bin"), receipt);
    ::close(fd);
    // TCP is unaffected by all this.
    TcpClient c;
    Connect(c);
    c.Send({0x1B, 0x68});
    EXPECT_EQ(c.Receive(1), Bytes{0x00});
    sim.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "link left behind";
}

TEST_F(KovaSimSerial, AnExclusiveOpenDoesNotOutliveTheProgram)
{
    // Root ignores the flag, so look at the flag itself: left set, it would
    // keep every other user's program out after this one closed the port.
    const std::string link = dir.file("ttyKOVA");
    Start({"--serial-link", link});
    const int fd = OpenSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ASSERT_TRUE(SerialWrite(fd, {0x1B, 0x68}));
    EXPECT_EQ(SerialRead(fd, 1), Bytes{0x00});
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
    Start({"--serial-link", link});
    const int fd = OpenSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(sim.Control("disconnect").value_or(""), "ok disconnect");
    uint8_t b;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_LE(::read(fd, &b, 1), 0);  // the old line is gone
    ::close(fd);
    const int again = OpenSerial(link);
    ASSERT_GE(again, 0);
    SerialWrite(again, {0x1B, 0x68});
    EXPECT_EQ(SerialRead(again, 1), Bytes{0x00});
    ::close(again);
}

TEST_F(KovaSimSerial, DropAfterBytesHangsUpTheSerialLine)
{
    const std::string link = dir.file("ttyKOVA");
    Start({"--serial-link", link, "--drop-after", "2"});
    const int fd = OpenSerial(link);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SerialWrite(fd, {0x1B, 0x68, 0x1B, 0x68}));
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
    const int again = OpenSerial(link);
    ASSERT_GE(again, 0);
    SerialWrite(again, {0x1B, 0x68, 0x1B, 0x76});
    EXPECT_EQ(SerialRead(again, 2), (Bytes{0x00, 0x00}));
    ::close(again);
}

TEST(KovaSimCommandLine, HelpDocumentsOptionsAndControlLinesAndBadOptionsFail)
{
    SimProcess help;
    const int status = help.RunToExit({"--help"});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string all;
    for (const auto &l : help.lines())
        all += l + "\n";
    for (const char *word :
         {"--address", "--tcp-port", "--udp-port", "--serial-link", "--state", "--out", "--model", "--firmware",
          "--restart-seconds", "--status", "--paper", "--silent", "--slow-restart", "--drop-after", "--idle-seconds",
          "--keep-receipts", "disconnect", "drop-after N", "silent on|off"})
        EXPECT_NE(all.find(word), std::string::npos) << word;
    SimProcess bad;
    EXPECT_EQ(WEXITSTATUS(bad.RunToExit({"--model", "SHORT"})), 2);
    SimProcess bad2;
    EXPECT_EQ(WEXITSTATUS(bad2.RunToExit({"--tcp-port", "70000"})), 2);
    SimProcess bad3;
    EXPECT_EQ(WEXITSTATUS(bad3.RunToExit({"--serial-link"})), 2);
}

// Receipts cut just before the printer is told to stop are all written, in
// order and whole, before it says it stopped: by the control line or SIGTERM.
TEST_F(KovaSimRobustness, ReceiptsOfABurstAreAllWrittenBeforeItStops)
{
    for (const bool byControlLine : {true, false}) {
        SCOPED_TRACE(byControlLine ? "quit" : "SIGTERM");
        std::filesystem::remove_all(dir.file("out"));
        SimProcess p;
        ASSERT_TRUE(p.Start(baseArgs()));
        TcpClient c;
        ASSERT_TRUE(c.Connect("127.0.0.1", p.tcpPort()));
        constexpr int kReceipts = 150;
        std::vector<Bytes> receipts;
        Bytes burst;
        for (int n = 1; n <= kReceipts; ++n) {
            receipts.push_back(Bytes{0x1B, 0x40} + Text("burst receipt " + std::to_string(n) + "\n") +
                               Bytes{0x1B, 0x69});
            burst = burst + receipts.back();
        }
        // The status reply comes once every cut before it was taken in.
        ASSERT_TRUE(c.Send(burst + Bytes{0x1B, 0x68}));
        ASSERT_EQ(c.Receive(1, 20000), Bytes{0x00});
        if (byControlLine) {
            EXPECT_EQ(p.Control("quit"), "ok quit");
        }
        p.Stop();
        std::vector<std::string> order;
        for (const std::string &l : p.lines())
            if (l.rfind("receipt ", 0) == 0 || l.rfind("kova-sim stopped", 0) == 0)
                order.push_back(l.substr(0, l.find(':')));
        std::vector<std::string> expected;
        for (int n = 1; n <= kReceipts; ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "receipt %04d", n);
            expected.push_back(name);
        }
        expected.push_back("kova-sim stopped");
        EXPECT_EQ(order, expected);
        for (int n = 1; n <= kReceipts; ++n) {
            char base[32];
            std::snprintf(base, sizeof base, "out/receipt-%04d", n);
            EXPECT_EQ(ReadFile(dir.file(std::string(base) + ".bin")), receipts[static_cast<size_t>(n - 1)]) << n;
            EXPECT_TRUE(PngReader::Load(dir.file(std::string(base) + ".png"))) << n;
        }
    }
}

// Receipts cut faster than they are written hold back the rest of their
// link's input, not the printer: a status request on the other channel and
// on another connection is answered while the receipts before it are still
// being written, the last of them announced only afterwards.
TEST_F(KovaSimRobustness, StatusIsAnsweredWhileReceiptsWaitToBeWritten)
{
    Start();
    TcpClient heavy;
    Connect(heavy);
    TcpClient other;
    Connect(other);
    // Receipts of noise, as long as the paper allows: each is slow to pack.
    std::mt19937 random(7);
    constexpr int kReceipts = 24;
    Bytes burst;
    for (int n = 0; n < kReceipts; ++n) {
        Bytes picture = {0x1B, 0x40, 0x1D, 0x76, 0x30, 0x00, 72, 0, 20000 % 256, 20000 / 256};
        picture.resize(picture.size() + 72 * 20000);
        for (size_t i = 10; i < picture.size(); ++i)
            picture[i] = static_cast<uint8_t>(random());
        burst = burst + picture + Bytes{0x1B, 0x69};
    }
    ASSERT_TRUE(heavy.Send(burst));
    // The first receipt is cut: the writer is under way.
    ASSERT_TRUE(sim.WaitFor("receipt 0001:", 30000));
    other.Send({0x1B, 0x68});
    EXPECT_EQ(other.Receive(1, 5000), Bytes{0x00});
    const auto udp = UdpStatus("127.0.0.1", sim.udpPort(), 5000);
    ASSERT_TRUE(udp);
    EXPECT_EQ(udp->size(), 8u);
    // Both replies came before the last receipt was written.
    for (const std::string &l : sim.lines())
        EXPECT_EQ(l.find("receipt 0024:"), std::string::npos) << "the receipts were all written first";
    EXPECT_TRUE(sim.WaitFor("receipt 0024:", 120000));
}
