// The real kova-sim program against hostile or unlucky peers. One table of
// cases.
#include "SimProcess.h"
#include "TcpClient.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

using testing_support::TempDir;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

Bytes Repeated(const Bytes &unit, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

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

struct PeerCase {
    const char *name;
    std::vector<std::string> args;
    void (*run)(KovaSimHostile &);
    const char *logged;  // what kova-sim's log says about it
};

const PeerCase kPeerCases[] = {
    {"CutFloodKeepsTheNewestReceipts",
     {"--keep-receipts", "5"},
     CutFloodKeepsTheNewestReceipts,
     "receipt 0001 removed: the folder keeps the newest 5 (--keep-receipts)"},
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
