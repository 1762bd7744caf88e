#include "tests/support/PtyPair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

PtyPair::PtyPair()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        return;
    }
    master_.reset(master);
    slave_.reset(slave);
    slavePath_ = name;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

std::vector<uint8_t> PtyPair::ReadMaster(std::chrono::milliseconds wait, std::size_t expected)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || (expected > 0 && bytes.size() >= expected)) {
            return bytes;
        }
        pollfd p{master_.get(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        uint8_t buffer[4096];
        ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return bytes;
        }
    }
}

void PtyPair::WriteMaster(const std::vector<uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_.get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{master_.get(), POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

}  // namespace testing_support
