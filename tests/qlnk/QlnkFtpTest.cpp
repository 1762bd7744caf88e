// FTP uploads to pyftpdlib started by the test, and connection attempts against test peers.
#include "QlnkTestSupport.h"

#include "tests/support/FtpServer.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <curl/curl.h>
#include <dlfcn.h>
#include <fstream>
#include <future>
#include <thread>

using namespace qlnk_test;

namespace {

std::wstring Wide(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

std::size_t CountOf(const std::string &text, const std::string &part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// An FTP server the test plays: it logs anyone in, offers a passive data connection, answers
// STOR with 150 and from then on never reads what arrives.
class StallingFtpPeer {
public:
    StallingFtpPeer() : control_(BoundSocket(SOCK_STREAM, kLoopback, &port_)), thread_([this] { Serve(); }) {}
    ~StallingFtpPeer()
    {
        stop_ = true;
        thread_.join();
    }
    uint16_t port() const { return port_; }
    bool stored() const { return stored_; }

private:
    void Serve()
    {
        std::vector<platform::FileDescriptor> held;
        while (!stop_) {
            auto connection = AcceptWithin(control_.get(), milliseconds(200));
            if (!connection.valid()) {
                continue;
            }
            platform::FileDescriptor data;
            Say(connection.get(), "220 ready");
            for (std::string verb; ReadVerb(connection.get(), &verb);) {
                if (verb == "EPSV") {
                    uint16_t dataPort = 0;
                    data = BoundSocket(SOCK_STREAM, kLoopback, &dataPort);
                    // Cloned into the accepted socket: little room, so the sender soon stalls.
                    const int room = 4096;
                    setsockopt(data.get(), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
                    Say(connection.get(), "229 Entering Extended Passive Mode (|||" + std::to_string(dataPort) + "|)");
                } else if (verb == "STOR") {
                    held.push_back(AcceptWithin(data.get(), milliseconds(3000)));
                    stored_ = held.back().valid();
                    Say(connection.get(), "150 go ahead");
                } else {
                    Say(connection.get(), verb == "USER"   ? "331 password"
                                          : verb == "PASS" ? "230 logged in"
                                          : verb == "PWD"  ? "257 \"/\""
                                          : verb == "QUIT" ? "221 bye"
                                                           : "200 ok");
                }
            }
        }
    }
    static void Say(int fd, const std::string &reply)
    {
        const std::string line = reply + "\r\n";
        send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    }
    // The next command's verb; false when the client closed or the peer is stopping.
    bool ReadVerb(int fd, std::string *verb)
    {
        std::string line;
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 200) != 1) {
                continue;
            }
            char c = 0;
            if (recv(fd, &c, 1, 0) != 1) {
                return false;
            }
            if (c == '\n') {
                *verb = line.substr(0, line.find_first_of(" \r"));
                return true;
            }
            line += c;
        }
        return false;
    }

    uint16_t port_ = 0;
    platform::FileDescriptor control_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> stored_{false};
    std::thread thread_;
};

// An upload that runs into one of the library's fixed limits: QLNK_E_TIMEOUT with libcurl's
// time-out code, after at least minMs and well before maxMs.
void ExpectUploadTimesOut(uint16_t port, const std::string &localFile, long long minMs, long long maxMs)
{
    int32_t status = 0;
    const auto start = Clock::now();
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", port, kLoopback, Wide(localFile).c_str(),
                                L"big.bin", &status),
                QLNK_E_TIMEOUT);
    const long long took = MsSince(start);
    EXPECT_GE(took, minMs);
    EXPECT_LT(took, maxMs);
    EXPECT_EQ(TakeLastError(), CURLE_OPERATION_TIMEDOUT);
}

}  // namespace

TEST(QlnkFtp, BinaryFileArrivesByteIdentical)
{
    testing_support::FtpServer server("printer", "s3cret");
    ASSERT_TRUE(server.running());
    testing_support::TempDir local;
    const auto bytes = AllByteValues(300);
    const std::string content(bytes.begin(), bytes.end());
    // Line ends that a text-mode transfer would change.
    const std::string file = content + "\r\n\n\r" + content;
    testing_support::TempDir::Write(local.file("logo.bin"), file);

    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", server.port(), kLoopback,
                                Wide(local.file("logo.bin")).c_str(), L"logo.bin", &status),
                QLNK_OK);
    EXPECT_EQ(testing_support::TempDir::Read(server.file("logo.bin")), file) << server.log();
    // The last step's value is left, not "nothing recorded".
    EXPECT_EQ(TakeLastError(), 0);
    EXPECT_NE(server.log().find("STOR"), std::string::npos);
}

TEST(QlnkFtp, WrongPasswordIsTriedThreeTimesThenSystemError)
{
    testing_support::FtpServer server("printer", "s3cret");
    ASSERT_TRUE(server.running());
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("a.bin"), "abc");
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"wrong", server.port(), kLoopback,
                                Wide(local.file("a.bin")).c_str(), L"a.bin", &status),
                QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), CURLE_LOGIN_DENIED);
    // The server logs a refusal just after answering it.
    const auto end = Clock::now() + milliseconds(5000);
    while (CountOf(server.log(), "failed login") < 3 && Clock::now() < end) {
        std::this_thread::sleep_for(milliseconds(20));
    }
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(CountOf(server.log(), "failed login"), 3u) << server.log();
    EXPECT_FALSE(std::ifstream(server.file("a.bin")).good());
}

// Every other call costs what a small library's load costs: libcurl comes with the first upload.
TEST(QlnkFtp, LibcurlIsLoadedByTheFirstUpload)
{
    const auto curlLoaded = [] {
        void *curl = dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD);
        if (curl != nullptr) {
            dlclose(curl);
        }
        return curl != nullptr;
    };
    ASSERT_FALSE(curlLoaded()) << "this test needs a process of its own, as ctest runs it";
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("a.bin"), "abc");
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", ClosedPort(), kLoopback,
                                Wide(local.file("a.bin")).c_str(), L"a.bin", &status),
                QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), CURLE_COULDNT_CONNECT);
    EXPECT_TRUE(curlLoaded());
}

TEST(QlnkFtp, RefusedConnectionIsTriedThreeTimesThenSystemErrorWithConnectCode)
{
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("a.bin"), "abc");
    // Sees every TCP packet on this machine, the connection requests to the closed port among them.
    platform::FileDescriptor capture(socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    const uint16_t port = ClosedPort();
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", port, kLoopback, Wide(local.file("a.bin")).c_str(),
                                L"a.bin", &status),
                QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), CURLE_COULDNT_CONNECT);
    if (!capture.valid()) {
        GTEST_SKIP() << "counting the attempts needs a raw socket (CAP_NET_RAW)";
    }
    int requests = 0;
    uint8_t packet[1500];
    for (ssize_t n; (n = recv(capture.get(), packet, sizeof packet, 0)) >= 0;) {
        TcpPacket tcp;
        requests += ParseTcpPacket(packet, n, &tcp) && tcp.to == port && tcp.connectionRequest;
    }
    EXPECT_EQ(requests, 3);
}

TEST(QlnkFtp, FailedConnectionIsAttemptedThreeTimes)
{
    // A peer that takes each connection and drops it before any greeting.
    uint16_t port = 0;
    auto listener = BoundSocket(SOCK_STREAM, kLoopback, &port);
    ASSERT_TRUE(listener.valid());
    auto accepted = std::async(std::launch::async, [&] {
        int count = 0;
        while (AcceptWithin(listener.get(), milliseconds(1500)).valid()) {
            ++count;
        }
        return count;
    });
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("a.bin"), "abc");
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", port, kLoopback, Wide(local.file("a.bin")).c_str(),
                                L"a.bin", &status),
                QLNK_E_SYSTEM);
    const int32_t error = TakeLastError();
    EXPECT_NE(error, 0);
    EXPECT_NE(error, QLNK_NO_ERROR_RECORDED);
    EXPECT_EQ(accepted.get(), 3);
}

TEST(QlnkFtp, MissingLocalFileFailsTheUpload)
{
    testing_support::FtpServer server("printer", "s3cret");
    ASSERT_TRUE(server.running());
    testing_support::TempDir local;
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", server.port(), kLoopback,
                                Wide(local.file("missing.bin")).c_str(), L"missing.bin", &status),
                QLNK_E_SYSTEM);
    EXPECT_EQ(TakeLastError(), CURLE_READ_ERROR);
}

// Wide names reach the file system and the server as UTF-8, spaces and all.
TEST(QlnkFtp, WideNamesAreSentAsUtf8)
{
    testing_support::FtpServer server("printer", "s3cret");
    ASSERT_TRUE(server.running());
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("Kopf \xC3\xBC.bin"), "\x1B\x40head");
    const std::wstring localPath = Wide(local.path()) + L"/Kopf \u00FC.bin";
    int32_t status = 0;
    EXPECT_QLNK(QLNK_FTPPutFile(L"rollvane", L"printer", L"s3cret", server.port(), kLoopback, localPath.c_str(),
                                L"Beleg \u20AC 1.bin", &status),
                QLNK_OK);
    EXPECT_EQ(testing_support::TempDir::Read(server.file("Beleg \xE2\x82\xAC 1.bin")), "\x1B\x40head") << server.log();
}

// A server that takes the connection and never greets: the connect limit (10 s) ends the call,
// and it is not asked again.
TEST(QlnkFtp, ServerThatNeverGreetsEndsAtTheConnectLimit)
{
    uint16_t port = 0;
    auto listener = BoundSocket(SOCK_STREAM, kLoopback, &port);
    ASSERT_TRUE(listener.valid());
    auto accepted = std::async(std::launch::async, [&] {
        std::vector<platform::FileDescriptor> held;
        for (auto c = AcceptWithin(listener.get(), milliseconds(14000)); c.valid();
             c = AcceptWithin(listener.get(), milliseconds(1000))) {
            held.push_back(std::move(c));
        }
        return held.size();
    });
    testing_support::TempDir local;
    testing_support::TempDir::Write(local.file("a.bin"), "abc");
    ExpectUploadTimesOut(port, local.file("a.bin"), 9500, 13000);
    EXPECT_EQ(accepted.get(), 1u);
}

// A server that takes the data connection and never reads: the transfer ends once it has moved
// less than 1 byte a second for 30 s.
TEST(QlnkFtp, ServerThatStopsReadingEndsAtTheLowSpeedLimit)
{
    StallingFtpPeer peer;
    testing_support::TempDir local;
    // More than the kernel buffers on both ends of a loopback connection take.
    testing_support::TempDir::Write(local.file("big.bin"), std::string(24u << 20, '\x55'));
    ExpectUploadTimesOut(peer.port(), local.file("big.bin"), 30000, 45000);
    EXPECT_TRUE(peer.stored());
}
