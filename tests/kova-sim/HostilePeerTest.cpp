// The real kova-sim program against hostile or unlucky peers: silent
// connections, floods of bytes, cuts and datagrams, heavy jobs and oversized
// definitions. One table of cases.
#include "SimProcess.h"
#include "TcpClient.h"
#include "TestBmp.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

using testing_support::TempDir;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// What kova-sim's resident memory must stay under, whatever it is sent. Built
// with AddressSanitizer it keeps freed memory aside (up to 256 MiB) and shadows
// the rest, so the bound there says only that nothing runs away.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryBoundKiB = 512 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kMemoryBoundKiB = 512 * 1024;
#else
constexpr long kMemoryBoundKiB = 64 * 1024;
#endif
#else
constexpr long kMemoryBoundKiB = 64 * 1024;
#endif

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Repeated(const Bytes &unit, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(1 << 20, '\n');
    }
    return -1;
}

// Reads what the printer sends back until it closes the connection.
bool DrainUntilClosed(TcpClient &c, int timeoutMs)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (c.Receive(1 << 16, 200).empty() && c.ClosedByPeer(0))
            return true;
    }
    return false;
}

// A second client asking for the status over TCP and over UDP ten times a
// second, in the background; the slowest answers.
class StatusProbe {
public:
    StatusProbe(int tcpPort, int udpPort) : thread_([this, tcpPort, udpPort] { Run(tcpPort, udpPort); }) {}
    ~StatusProbe() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // The slowest answers in milliseconds; an hour for none at all.
    std::atomic<long> slowestTcp{0}, slowestUdp{0};
    int asked = 0;

private:
    void Run(int tcpPort, int udpPort)
    {
        TcpClient c;
        if (!c.Connect("127.0.0.1", tcpPort)) {
            slowestTcp = kNone;
            return;
        }
        while (!stop_) {
            auto begun = Clock::now();
            c.Send({0x1B, 0x68});
            const Bytes reply = c.Receive(1, 5000);
            slowestTcp = std::max<long>(slowestTcp, reply.size() == 1 ? Ms(Clock::now() - begun) : kNone);
            // A datagram may be lost in a full socket buffer: asked again, as a client would.
            begun = Clock::now();
            while (!UdpStatus("127.0.0.1", udpPort, 100) && Clock::now() - begun < 5s) {
            }
            slowestUdp = std::max<long>(slowestUdp, Ms(Clock::now() - begun));
            ++asked;
            std::this_thread::sleep_for(100ms);
        }
    }

    static constexpr long kNone = 3600000;
    static long Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class KovaSimHostile : public ::testing::Test {
public:
    TempDir dir;
    SimProcess sim;

    void Start(const std::vector<std::string> &extra)
    {
        std::vector<std::string> args = {"--tcp-port", "0", "--udp-port", "0", "--out", dir.file("out")};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.Start(args)) << "kova-sim did not come up";
    }
    void Connect(TcpClient &c) { ASSERT_TRUE(c.Connect("127.0.0.1", sim.tcpPort())); }
    bool Answers(TcpClient &c)
    {
        c.Send({0x1B, 0x68});
        return c.Receive(1) == Bytes{0x00};
    }
    // A line of the log holding text, among those so far or within timeoutMs.
    bool Logged(const std::string &text, int timeoutMs = 3000)
    {
        for (const std::string &line : sim.lines())
            if (line.find(text) != std::string::npos)
                return true;
        return sim.WaitFor(text, timeoutMs).has_value();
    }
};

// Silent connections are dropped after the idle time; a busy one stays.
void IdleClientsAreDropped(KovaSimHostile &t)
{
    TcpClient silent[3], busy;
    for (TcpClient &c : silent)
        t.Connect(c);
    t.Connect(busy);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(t.Answers(busy)) << i;
        std::this_thread::sleep_for(200ms);
    }
    for (TcpClient &c : silent)
        EXPECT_TRUE(c.ClosedByPeer(0));
    EXPECT_TRUE(t.Answers(busy));
}

// Eight silent connections fill every place: a ninth client takes the place of
// the one silent longest instead of being closed at once.
void SilentClientsDoNotShutOthersOut(KovaSimHostile &t)
{
    std::vector<std::unique_ptr<TcpClient>> silent;
    for (int i = 0; i < 8; ++i) {
        silent.push_back(std::make_unique<TcpClient>());
        t.Connect(*silent.back());
        std::this_thread::sleep_for(20ms);  // a clear order of who was silent longest
    }
    TcpClient newcomer;
    t.Connect(newcomer);
    EXPECT_TRUE(t.Answers(newcomer));
    EXPECT_TRUE(silent[0]->ClosedByPeer());
    EXPECT_TRUE(t.Answers(*silent[1]));
}

// One client's heavy job (a large stored picture printed down the whole
// length of the paper, fifty receipts of it) does not hold up another
// client's status, nor the status channel's.
void HeavyJobDoesNotHoldUpOthers(KovaSimHostile &t)
{
    const Bytes bmp = TestBmp::Make(4096, 255, [](int x, int y) { return (x ^ y) & 1; });
    TcpClient heavy;
    t.Connect(heavy);
    ASSERT_TRUE(heavy.Send(Bytes{0x1F, 0x30, 0x05, 0x1F} + bmp + Bytes{0x1B, 0x68}));
    ASSERT_EQ(heavy.Receive(1), Bytes{0x00});
    StatusProbe probe(t.sim.tcpPort(), t.sim.udpPort());
    ASSERT_TRUE(heavy.Send(Repeated(Repeated({0x1D, 0x2F, 0x00}, 80) + Bytes{0x1B, 0x69}, 50) + Bytes{0x1B, 0x68}));
    EXPECT_EQ(heavy.Receive(1, 60000), Bytes{0x00});
    probe.Stop();
    EXPECT_GT(probe.asked, 0);
    EXPECT_LT(probe.slowestTcp, 1000);
    EXPECT_LT(probe.slowestUdp, 1000);
}

// A flood of cuts: the folder keeps the newest receipts, those from before
// counted, and files that are not receipts stay.
void CutFloodKeepsTheNewestReceipts(KovaSimHostile &t)
{
    TcpClient c;
    t.Connect(c);
    ASSERT_TRUE(c.Send(Repeated({0x1B, 0x40, 'n', 0x0A, 0x1B, 0x69}, 2000)));
    ASSERT_TRUE(t.sim.WaitFor("receipt 2003:", 30000));
    std::set<std::string> files;
    for (const auto &e : std::filesystem::directory_iterator(t.dir.file("out")))
        files.insert(e.path().filename());
    std::set<std::string> expected = {"notes.txt", "receipt-0002.png.old"};
    for (int n = 1999; n <= 2003; ++n)
        for (const char *ext : {".png", ".bin"})
            expected.insert("receipt-" + std::to_string(n) + ext);
    EXPECT_EQ(files, expected);
}

// 100 MB of random bytes, a megabyte a connection, with datagrams flooding the
// status port meanwhile: the status still comes within a second and the
// memory stays bounded. Random bytes cut a receipt every 20 kB or so; to keep
// this light, cuts and the end of settings are broken up, so the noise makes
// one receipt as long as the paper allows (writing thousands of noise
// receipts is the benchmark's business).
void FloodOfNoise(KovaSimHostile &t)
{
    StatusProbe probe(t.sim.tcpPort(), t.sim.udpPort());
    std::atomic<bool> flooding{true};
    std::thread datagrams([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(t.sim.udpPort()));
        inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        std::mt19937 random(99);
        uint8_t junk[200];
        while (flooding) {
            for (int i = 0; i < 100; ++i) {
                const size_t n = i % 4 == 0 ? 6 : 1 + random() % 200;
                for (size_t k = 0; k < n; ++k)
                    junk[k] = i % 4 == 0 ? "\0\0\0\0\x1Bh"[k] : static_cast<uint8_t>(random());
                ::sendto(fd, junk, n, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&to), sizeof to);
            }
            std::this_thread::sleep_for(1ms);
        }
        ::close(fd);
    });
    std::mt19937 random(1234);
    Bytes noise(1 << 20);
    long peakKiB = 0;
    for (int mb = 0; mb < 100; ++mb) {
        for (uint8_t &b : noise)
            b = static_cast<uint8_t>(random());
        for (size_t i = 0; i + 1 < noise.size(); ++i)
            if ((noise[i] == 0x1D && (noise[i + 1] == 0xFF || noise[i + 1] == 0x56)) ||
                (noise[i] == 0x1B && (noise[i + 1] == 0x69 || noise[i + 1] == 0x6D)) ||
                (noise[i] == 0x1F && noise[i + 1] == 0x74))
                noise[i + 1] = 0x00;
        TcpClient c;
        t.Connect(c);
        ASSERT_TRUE(c.Send(noise)) << mb;
        ::shutdown(c.fd(), SHUT_WR);
        ASSERT_TRUE(DrainUntilClosed(c, 30000)) << mb;
        peakKiB = std::max(peakKiB, ResidentKiB(t.sim.pid()));
    }
    flooding = false;
    datagrams.join();
    probe.Stop();
    EXPECT_GT(probe.asked, 0);
    EXPECT_LT(probe.slowestTcp, 1000);
    EXPECT_LT(probe.slowestUdp, 1000);
    EXPECT_GT(peakKiB, 0);
    EXPECT_LT(peakKiB, kMemoryBoundKiB) << "resident memory grew";
    TcpClient c;
    t.Connect(c);
    c.Send(Bytes{0x1B, 0x40, 'o', 'k', 0x0A, 0x1B, 0x69});
    EXPECT_TRUE(t.sim.WaitFor("receipt 0004:", 10000));
    EXPECT_TRUE(t.Logged("3 receipts removed, 0001 to 0003: the folder keeps the newest 1 (--keep-receipts)"));
}

// Definitions larger than kept are refused or cut, each with a line in the log.
void OversizedDefinitionsAreRefused(KovaSimHostile &t)
{
    TcpClient c;
    t.Connect(c);
    const Bytes bmp = TestBmp::Make(4096, 300, [](int, int) { return true; });  // 150 kB
    // 65535 x 1025 bytes, over the 64 MiB a command may hold: passed over as its bytes come.
    const Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0xFF, 0xFF, 0x01, 0x04};
    const Bytes message = Bytes{0x1F, 0x65, 0x02, 0x00} + Bytes(600, 'x') + Bytes{0x00};
    c.Send(Bytes{0x1F, 0x30, 0x09, 0x1F} + bmp + message + Bytes{0x1B, 0x68} + raster);
    EXPECT_EQ(c.Receive(1, 10000), Bytes{0x00});
    EXPECT_TRUE(t.Logged("bit image of " + std::to_string(bmp.size()) + " bytes refused"));
    EXPECT_TRUE(t.sim.WaitFor("raster picture of 67173375 bytes passed over"));
    EXPECT_TRUE(t.Logged("message text of 600 bytes cut to 507"));
    std::string hex;
    for (int i = 0; i < 507; ++i)
        hex += "78";
    std::string state;
    for (int i = 0; i < 20 && state.find("message.2 = 00 78") == std::string::npos; ++i) {
        std::this_thread::sleep_for(100ms);
        state = TempDir::Read(t.dir.file("state.txt"));
    }
    EXPECT_EQ(state.find("image.9"), std::string::npos);
    EXPECT_NE(state.find("message.2 = 00 " + hex + "\n"), std::string::npos);
}

struct PeerCase {
    const char *name;
    std::vector<std::string> args;
    void (*run)(KovaSimHostile &);
    const char *logged;  // what kova-sim's log says about it
};

const PeerCase kPeerCases[] = {
    {"IdleClientsAreDropped",
     {"--idle-seconds", "1"},
     IdleClientsAreDropped,
     "dropped: nothing from it for 1 s (--idle-seconds 1)"},
    {"SilentClientsDoNotShutOthersOut", {}, SilentClientsDoNotShutOthersOut, "dropped: silent longest"},
    {"HeavyJobDoesNotHoldUpOthers", {}, HeavyJobDoesNotHoldUpOthers, "receipt 0053:"},
    {"CutFloodKeepsTheNewestReceipts",
     {"--keep-receipts", "5"},
     CutFloodKeepsTheNewestReceipts,
     "receipt 0001 removed: the folder keeps the newest 5 (--keep-receipts)"},
    {"FloodOfNoise", {"--keep-receipts", "1"}, FloodOfNoise, "bytes for one receipt: the rest is not kept"},
    {"OversizedDefinitionsAreRefused", {"--state", "STATE"}, OversizedDefinitionsAreRefused, ""},
};

void PrintTo(const PeerCase &c, std::ostream *os)
{
    *os << c.name;
}

class KovaSimHostilePeer : public KovaSimHostile, public ::testing::WithParamInterface<PeerCase> {};

}  // namespace

TEST_P(KovaSimHostilePeer, CopesAndSaysSo)
{
    const PeerCase &c = GetParam();
    // Three receipts and two other files in the folder from before.
    std::filesystem::create_directories(dir.file("out"));
    for (const char *name : {"receipt-0001.png", "receipt-0001.bin", "receipt-0002.png", "receipt-0002.bin",
                             "receipt-0003.png", "notes.txt", "receipt-0002.png.old"})
        TempDir::Write(dir.file(std::string("out/") + name), "earlier");
    std::vector<std::string> args = c.args;
    for (std::string &a : args)
        if (a == "STATE")
            a = dir.file("state.txt");
    Start(args);
    if (HasFatalFailure())
        return;
    c.run(*this);
    EXPECT_TRUE(sim.Running());
    if (*c.logged) {
        EXPECT_TRUE(Logged(c.logged)) << c.logged;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KovaSimHostilePeer, ::testing::ValuesIn(kPeerCases),
                         [](const auto &info) { return std::string(info.param.name); });
