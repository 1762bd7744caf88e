#include "platform/SerialPort.h"

#include "platform/DescriptorWait.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

// The deadline of a total limit in milliseconds; 0 means none.
std::optional<DescriptorWait::Deadline> DeadlineOf(uint64_t totalMs)
{
    if (totalMs == 0) {
        return std::nullopt;
    }
    return DescriptorWait::After(totalMs);
}

// Waits for the descriptor until the earlier of deadline and interval: 1 ready, 0 time-out,
// -1 failed (*error set).
int WaitFor(int fd, short events, const std::optional<DescriptorWait::Deadline> &deadline, uint32_t intervalMs,
            int *error)
{
    std::optional<DescriptorWait::Deadline> until = deadline;
    if (intervalMs != 0) {
        const auto interval = DescriptorWait::After(intervalMs);
        until = until ? std::min(*until, interval) : interval;
    }
    const auto result =
        until ? DescriptorWait::Until(fd, events, *until, error) : DescriptorWait::Forever(fd, events, error);
    return result == DescriptorWait::Result::Ready ? 1 : result == DescriptorWait::Result::TimedOut ? 0 : -1;
}

// Sleeps 10 ms, or what is left before the deadline; false when nothing is left.
bool PauseBefore(const std::optional<DescriptorWait::Deadline> &deadline)
{
    auto pause = std::chrono::microseconds(10000);
    if (deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(*deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pause = std::min(pause, left);
    }
    usleep(static_cast<useconds_t>(pause.count()));
    return true;
}

bool NoModemLines(int code)
{
    return code == ENOTTY || code == EINVAL || code == ENOTSUP;
}

}  // namespace

SerialPort::SerialPort(FileDescriptor fd) : fd_(std::move(fd)), lineControl_(&TtyLineControl::Kernel()) {}

SerialPort::~SerialPort()
{
    ioctl(fd_.get(), TIOCNXCL);
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string &path, int *error)
{
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        *error = errno;
        return nullptr;
    }
    // Only a terminal is a serial port: printer bytes must never land in a file that a
    // [DEVICES] entry or a caller named by mistake.
    termios current{};
    if (!isatty(fd.get()) || tcgetattr(fd.get(), &current) != 0) {
        *error = ENOTTY;
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
    port->applied_.DCBlength = sizeof(Dcb);
    port->applied_.flags = Dcb::kBinary | (1u << Dcb::kDtrControlShift) | (1u << Dcb::kRtsControlShift);
    SerialSettings::FromTermios(current, &port->applied_);
    *error = 0;
    return port;
}

bool SerialPort::GetState(Dcb *dcb, int *error) const
{
    termios current{};
    if (tcgetattr(fd(), &current) != 0) {
        *error = errno;
        return false;
    }
    *dcb = applied_;
    SerialSettings::FromTermios(current, dcb);
    return true;
}

bool SerialPort::SetState(const Dcb &dcb, int *error)
{
    termios settings{};
    if (tcgetattr(fd(), &settings) != 0) {
        *error = errno;
        return false;
    }
    ModemLineRequest lines;
    if (!SerialSettings::ToTermios(dcb, &settings, &lines, error)) {
        return false;
    }
    if (tcsetattr(fd(), TCSANOW, &settings) != 0) {
        *error = errno;
        return false;
    }
    const int dtr = TIOCM_DTR;
    const int rts = TIOCM_RTS;
    if (ioctl(fd(), lines.dtrOn ? TIOCMBIS : TIOCMBIC, &dtr) != 0 && !NoModemLines(errno)) {
        *error = errno;
        return false;
    }
    if (ioctl(fd(), lines.rtsOn ? TIOCMBIS : TIOCMBIC, &rts) != 0 && !NoModemLines(errno)) {
        *error = errno;
        return false;
    }
    applied_ = dcb;
    return true;
}

bool SerialPort::PurgeReceive(int *error)
{
    if (tcflush(fd(), TCIFLUSH) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

bool SerialPort::Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error)
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
    // After a wait that said ready, nothing to read is the line hanging up (the other end went
    // away): an error, not a time-out.
    auto readReady = [&]() -> int {
        const int r = readSome();
        if (r == 0) {
            *error = EIO;
            return -1;
        }
        return r;
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
        const int ready = WaitFor(fd(), POLLIN, DescriptorWait::After(t.readTotalConstant), 0, error);
        if (ready < 0) {
            return false;
        }
        return ready == 0 || readReady() >= 0;
    }

    // General rule: a total limit of multiplier x length + constant (none when both are 0) and
    // an interval limit between two bytes (none when 0).
    const auto deadline = DeadlineOf(uint64_t(t.readTotalMultiplier) * length + t.readTotalConstant);
    while (*received < length) {
        const uint32_t interval = *received > 0 ? t.readInterval : 0;
        const int ready = WaitFor(fd(), POLLIN, deadline, interval, error);
        if (ready < 0) {
            return false;
        }
        if (ready == 0) {
            return true;
        }
        if (readReady() < 0) {
            return false;
        }
    }
    return true;
}

bool SerialPort::Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error)
{
    *written = 0;
    const CommTimeouts &t = timeouts_;
    const auto deadline = DeadlineOf(uint64_t(t.writeTotalMultiplier) * length + t.writeTotalConstant);
    const bool dsrFlow = (applied_.flags & Dcb::kDsrOutputFlow) != 0;
    // Under DSR flow the line is looked at again before each chunk is handed over.
    const std::size_t chunk = dsrFlow ? kDsrChunk : length;

    std::size_t handed = 0;
    bool timedOut = false;
    while (handed < length && !timedOut) {
        if (dsrFlow && !WaitForDsr(deadline)) {
            break;
        }
        const ssize_t n = ::write(fd(), data + handed, std::min(chunk, length - handed));
        if (n > 0) {
            handed += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            *error = errno;
            return false;
        }
        const int ready = WaitFor(fd(), POLLOUT, deadline, 0, error);
        if (ready < 0) {
            return false;
        }
        timedOut = ready == 0;
    }
    // The bytes the kernel took are written once they have left the port.
    const std::size_t stillQueued = std::min(handed, static_cast<std::size_t>(WaitForDrain(deadline)));
    if (stillQueued > 0) {
        // What did not leave in time is withdrawn, so that a repeat does not send it twice.
        lineControl_->FlushOutput(fd());
    }
    *written = handed - stillQueued;
    return true;
}

bool SerialPort::WaitForDsr(const std::optional<DescriptorWait::Deadline> &deadline) const
{
    // The modem lines have no readiness to wait for: look again every 10 ms.
    while (!dsrOn()) {
        if (!PauseBefore(deadline)) {
            return false;
        }
    }
    return true;
}

int SerialPort::WaitForDrain(const std::optional<DescriptorWait::Deadline> &deadline) const
{
    // The output queue has no readiness to wait for either (tcdrain would block past the limit
    // on a held line): look again every 10 ms.
    int queued = lineControl_->outputQueued(fd());
    while (queued > 0 && PauseBefore(deadline)) {
        queued = lineControl_->outputQueued(fd());
    }
    return queued;
}

}  // namespace platform
