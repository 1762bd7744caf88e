#include "platform/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Milliseconds left until deadline, or -1 for no deadline (poll's "wait for ever").
int remainingMs(bool limited, SteadyClock::time_point deadline)
{
    if (!limited) {
        return -1;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

// Waits for the descriptor; returns 1 when ready, 0 on time-out, -1 on error (errno set).
int waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    for (;;) {
        int n = poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n > 0 && (p.revents & (POLLERR | POLLNVAL))) {
            errno = EIO;
            return -1;
        }
        return n > 0 ? 1 : n;
    }
}

bool noModemLines(int code)
{
    return code == ENOTTY || code == EINVAL || code == ENOTSUP;
}

}  // namespace

SerialPort::SerialPort(FileDescriptor fd) : fd_(std::move(fd)) {}

SerialPort::~SerialPort()
{
    ioctl(fd_.get(), TIOCNXCL);
}

std::unique_ptr<SerialPort> SerialPort::open(const std::string &path, int *error)
{
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        *error = errno;
        return nullptr;
    }
    // TIOCEXCL keeps other programs from opening the tty (root is exempt); the lock covers
    // programs that take the same lock, root ones included.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK ? EBUSY : errno;
        return nullptr;
    }
    ioctl(fd.get(), TIOCEXCL);
    std::unique_ptr<SerialPort> port(new SerialPort(std::move(fd)));
    termios current{};
    if (tcgetattr(port->fd(), &current) == 0) {
        port->applied_.DCBlength = sizeof(Dcb);
        port->applied_.flags =
            QLNK_DCB_BINARY | (1u << QLNK_DCB_DTR_CONTROL_SHIFT) | (1u << QLNK_DCB_RTS_CONTROL_SHIFT);
        SerialSettings::fromTermios(current, &port->applied_);
    }
    *error = 0;
    return port;
}

bool SerialPort::getState(Dcb *dcb, int *error) const
{
    termios current{};
    if (tcgetattr(fd(), &current) != 0) {
        *error = errno;
        return false;
    }
    *dcb = applied_;
    SerialSettings::fromTermios(current, dcb);
    return true;
}

bool SerialPort::setState(const Dcb &dcb, int *error)
{
    termios settings{};
    if (tcgetattr(fd(), &settings) != 0) {
        *error = errno;
        return false;
    }
    ModemLineRequest lines;
    if (int code = SerialSettings::toTermios(dcb, &settings, &lines); code != 0) {
        *error = code;
        return false;
    }
    if (tcsetattr(fd(), TCSANOW, &settings) != 0) {
        *error = errno;
        return false;
    }
    const int dtr = TIOCM_DTR;
    const int rts = TIOCM_RTS;
    if (ioctl(fd(), lines.dtrOn ? TIOCMBIS : TIOCMBIC, &dtr) != 0 && !noModemLines(errno)) {
        *error = errno;
        return false;
    }
    if (ioctl(fd(), lines.rtsOn ? TIOCMBIS : TIOCMBIC, &rts) != 0 && !noModemLines(errno)) {
        *error = errno;
        return false;
    }
    applied_ = dcb;
    return true;
}

bool SerialPort::dsrOn() const
{
    int status = 0;
    if (ioctl(fd(), TIOCMGET, &status) != 0) {
        return true;
    }
    return (status & TIOCM_DSR) != 0;
}

bool SerialPort::purgeReceive()
{
    return tcflush(fd(), TCIFLUSH) == 0;
}

bool SerialPort::read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error)
{
    *received = 0;
    if (length == 0) {
        return true;
    }
    const CommTimeouts &t = timeouts_;
    auto readSome = [&]() -> int {
        ssize_t n = ::read(fd(), buffer + *received, length - *received);
        if (n > 0) {
            *received += static_cast<std::size_t>(n);
            return 1;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            *error = errno;
            return -1;
        }
        return 0;
    };

    // "Return what is there": interval at max, no total time-out.
    if (t.readInterval == kMaxTimeout && t.readTotalMultiplier == 0 && t.readTotalConstant == 0) {
        return readSome() >= 0;
    }
    // "What is there, else the first byte within the constant."
    if (t.readInterval == kMaxTimeout && t.readTotalMultiplier == kMaxTimeout && t.readTotalConstant != kMaxTimeout) {
        if (int r = readSome(); r != 0) {
            return r > 0;
        }
        int ready = waitFor(fd(), POLLIN, static_cast<int>(std::min<uint32_t>(t.readTotalConstant, 1u << 30)));
        if (ready < 0) {
            *error = errno;
            return false;
        }
        return ready == 0 || readSome() >= 0;
    }

    // General rule: a total limit of multiplier x length + constant (none when both are 0) and
    // an interval limit between two bytes (none when 0).
    const uint64_t total = uint64_t(t.readTotalMultiplier) * length + t.readTotalConstant;
    const bool limited = total != 0;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::min<uint64_t>(total, 1ull << 40));
    while (*received < length) {
        int wait = remainingMs(limited, deadline);
        if (t.readInterval != 0 && *received > 0) {
            int interval = static_cast<int>(std::min<uint32_t>(t.readInterval, 1u << 30));
            wait = wait < 0 ? interval : std::min(wait, interval);
        }
        int ready = waitFor(fd(), POLLIN, wait);
        if (ready < 0) {
            *error = errno;
            return false;
        }
        if (ready == 0) {
            return true;
        }
        if (readSome() < 0) {
            return false;
        }
    }
    return true;
}

bool SerialPort::write(const uint8_t *data, std::size_t length, std::size_t *written, int *error)
{
    *written = 0;
    const CommTimeouts &t = timeouts_;
    const uint64_t total = uint64_t(t.writeTotalMultiplier) * length + t.writeTotalConstant;
    const bool limited = total != 0;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::min<uint64_t>(total, 1ull << 40));

    if (applied_.flags & QLNK_DCB_DSR_OUTPUT_FLOW) {
        while (!dsrOn()) {
            int left = remainingMs(limited, deadline);
            if (left == 0) {
                return true;
            }
            usleep(static_cast<useconds_t>(std::min(left < 0 ? 10 : left, 10)) * 1000);
        }
    }
    while (*written < length) {
        ssize_t n = ::write(fd(), data + *written, length - *written);
        if (n > 0) {
            *written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            *error = errno;
            return false;
        }
        int ready = waitFor(fd(), POLLOUT, remainingMs(limited, deadline));
        if (ready < 0) {
            *error = errno;
            return false;
        }
        if (ready == 0) {
            return true;
        }
    }
    // Like the original, a write is done when the bytes have left the program; tcdrain would
    // block past the limit on a held line.
    return true;
}

}  // namespace platform
