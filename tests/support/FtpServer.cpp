#include "tests/support/FtpServer.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace testing_support {

namespace {

// Started from a script rather than "python3 -m pyftpdlib" so that a wrong password is not
// answered after the handler's usual three-second delay.
const char *const kScript = R"(import os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, user, password, port_file = sys.argv[1:5]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
FTPHandler.authorizer = authorizer
FTPHandler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), FTPHandler)
with open(port_file + ".part", "w") as f:
    f.write(str(server.socket.getsockname()[1]))
os.rename(port_file + ".part", port_file)
server.serve_forever()
)";

}  // namespace

FtpServer::FtpServer(const std::string &user, const std::string &password)
{
    std::filesystem::create_directories(dir_.file("root"));
    TempDir::Write(dir_.file("server.py"), kScript);
    const std::string portFile = dir_.file("port");
    // Debian's own interpreter: another python3 earlier on PATH may lack the module.
    if (!server_.Start({"/usr/bin/python3", dir_.file("server.py"), dir_.file("root"), user, password, portFile},
                       dir_.file("server.txt"))) {
        return;
    }
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(portFile)) {
            port_ = static_cast<uint16_t>(std::stoi(TempDir::Read(portFile)));
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FtpServer::~FtpServer()
{
    server_.Stop();
}

}  // namespace testing_support
