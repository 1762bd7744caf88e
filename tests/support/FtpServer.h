#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <string>

namespace testing_support {

// pyftpdlib serving a folder of its own on 127.0.0.1 (a port the system picks) to one user
// with a password; a refused login is answered at once.
class FtpServer {
public:
    FtpServer(const std::string &user, const std::string &password);
    ~FtpServer();
    FtpServer(const FtpServer &) = delete;
    FtpServer &operator=(const FtpServer &) = delete;

    bool running() const { return port_ != 0; }
    uint16_t port() const { return port_; }
    // Where uploaded files land.
    std::string file(const std::string &name) const { return dir_.file("root/" + name); }
    std::string log() const { return TempDir::Read(dir_.file("server.txt")); }

private:
    TempDir dir_;
    ChildProcess server_;
    uint16_t port_ = 0;
};

}  // namespace testing_support
