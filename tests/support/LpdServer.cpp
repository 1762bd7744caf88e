#include "tests/support/LpdServer.h"

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

namespace {

const char *const kConfigPath = "/etc/lprng/lpd.conf";

bool Accepting(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

std::optional<std::string> ReadIfThere(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

LpdServer::LpdServer(uint16_t port) : port_(port)
{
    const std::string w = dir_.path();
    log_ = dir_.file("log");
    savedConfig_ = ReadIfThere(kConfigPath);
    const std::string listen = "127.0.0.1%" + std::to_string(port);
    TempDir::Write(kConfigPath, "lpd_listen_port=" + listen + "\nlpd_port=" + listen + "\nprintcap_path=" + w +
                                    "/printcap\nlpd_printcap_path=" + w + "/printcap\nperms_path=" + w +
                                    "/lpd.perms\nlockfile=" + w + "/lpd\nunix_socket_path=off\n");
    TempDir::Write(dir_.file("lpd.perms"), "DEFAULT ACCEPT\n");
    TempDir::Write(dir_.file("printcap"), "lp1:\\\n\t:sd=" + w + "/spool/lp1:\\\n\t:lp=" + w +
                                              "/out/lp1.out:\\\n\t:sh:mx#0:save_when_done:\n");
    std::filesystem::create_directories(w + "/spool/lp1");
    std::filesystem::create_directories(w + "/out");
    TempDir::Write(w + "/out/lp1.out", "");
    // lpd does not create its log file.
    TempDir::Write(log_, "");
    if (const passwd *daemonUser = getpwnam("daemon")) {
        bool owned = chown(w.c_str(), daemonUser->pw_uid, daemonUser->pw_gid) == 0;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(w)) {
            owned = chown(entry.path().c_str(), daemonUser->pw_uid, daemonUser->pw_gid) == 0 && owned;
        }
        if (!owned) {
            return;
        }
    }
    if (ChildProcess::Run({"/usr/sbin/checkpc", "-f"}, dir_.file("checkpc.txt")) != 0) {
        return;
    }
    if (!lpd_.Start({"/usr/sbin/lpd", "-F", "-L", log_}, dir_.file("lpd.txt"))) {
        return;
    }
    for (int i = 0; i < 500 && !ready_; ++i) {
        ready_ = Accepting(port);
        if (!ready_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

LpdServer::~LpdServer()
{
    lpd_.Stop();
    if (savedConfig_) {
        TempDir::Write(kConfigPath, *savedConfig_);
    }
}

std::vector<uint8_t> LpdServer::WaitForOutput(std::size_t size, std::chrono::milliseconds limit) const
{
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string content;
    for (;;) {
        content = ReadIfThere(dir_.path() + "/out/lp1.out").value_or("");
        if (content.size() >= size || std::chrono::steady_clock::now() >= end) {
            return std::vector<uint8_t>(content.begin(), content.end());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::optional<std::string> LpdServer::WaitForJob(unsigned number, std::chrono::milliseconds limit) const
{
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string path = dir_.path() + "/spool/lp1/hfA" + std::to_string(number);
    for (;;) {
        auto content = ReadIfThere(path);
        // LPRng writes the record in steps; it is complete once the job was printed.
        if (content && content->find("done_time=") != std::string::npos) {
            return content;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return content;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testing_support
