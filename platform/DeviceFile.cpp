#include "platform/DeviceFile.h"

#include "platform/DescriptorWait.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace platform {

std::unique_ptr<DeviceFile> DeviceFile::Open(const std::string &path, Kind kind, int *error)
{
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        *error = errno;
        return nullptr;
    }
    if (kind == Kind::ParallelPort) {
        // ppdev hands the port to one claimant at a time, which makes the open exclusive.
        if (ioctl(fd.get(), PPEXCL) != 0 && errno != EINVAL) {
            *error = errno;
            return nullptr;
        }
        if (ioctl(fd.get(), PPCLAIM) != 0) {
            *error = errno;
            return nullptr;
        }
        int mode = IEEE1284_MODE_COMPAT;
        ioctl(fd.get(), PPNEGOT, &mode);  // reads switch to nibble mode by themselves
    }
    *error = 0;
    return std::unique_ptr<DeviceFile>(new DeviceFile(std::move(fd), kind));
}

DeviceFile::~DeviceFile()
{
    if (kind_ == Kind::ParallelPort && fd_.valid()) {
        ioctl(fd_.get(), PPRELEASE);
    }
}

int DeviceFile::Step()
{
    while (done_ < length_) {
        ssize_t n = writing_ ? ::write(fd_.get(), writeData_ + done_, length_ - done_)
                             : ::read(fd_.get(), readBuffer_ + done_, length_ - done_);
        if (n > 0) {
            done_ += static_cast<std::size_t>(n);
            if (!writing_) {
                return 1;  // a read completes with what has arrived
            }
            continue;
        }
        if (n == 0) {
            return writing_ ? 0 : 1;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            return 0;
        }
        error_ = errno;
        failed_ = true;
        return -1;
    }
    return 1;
}

DeviceFile::Start DeviceFile::StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred, int *error)
{
    pending_ = false;
    writing_ = true;
    failed_ = false;
    writeData_ = data;
    readBuffer_ = nullptr;
    length_ = length;
    done_ = 0;
    int step = Step();
    *transferred = done_;
    *error = error_;
    if (step == 0) {
        pending_ = true;
        return Start::Pending;
    }
    return step > 0 ? Start::Completed : Start::Failed;
}

DeviceFile::Start DeviceFile::StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred, int *error)
{
    pending_ = false;
    writing_ = false;
    failed_ = false;
    writeData_ = nullptr;
    readBuffer_ = buffer;
    length_ = length;
    done_ = 0;
    int step = length == 0 ? 1 : Step();
    *transferred = done_;
    *error = error_;
    if (step == 0) {
        pending_ = true;
        return Start::Pending;
    }
    return step > 0 ? Start::Completed : Start::Failed;
}

void DeviceFile::WaitReady(int timeoutMs)
{
    if (kind_ == Kind::ParallelPort) {
        // No readiness to wait for: try again after a short pause.
        int pause = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
        return;
    }
    // Whatever the wait gives, the next step finds the device's state, errors included.
    const short events = writing_ ? POLLOUT : POLLIN;
    int error = 0;
    if (timeoutMs < 0) {
        DescriptorWait::Forever(fd_.get(), events, &error);
    } else {
        DescriptorWait::Until(fd_.get(), events, DescriptorWait::After(static_cast<uint64_t>(timeoutMs)), &error);
    }
}

bool DeviceFile::WaitPending(std::chrono::milliseconds timeout)
{
    if (!pending_) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int step = Step();
        if (step != 0) {
            pending_ = false;
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        WaitReady(static_cast<int>(left.count()));
    }
}

bool DeviceFile::PendingResult(bool wait, std::size_t *transferred, int *error)
{
    while (pending_ && wait) {
        if (Step() != 0) {
            pending_ = false;
            break;
        }
        WaitReady(-1);
    }
    *transferred = done_;
    *error = pending_ ? EINPROGRESS : error_;
    return !pending_ && !failed_;
}

void DeviceFile::Cancel()
{
    pending_ = false;
    writeData_ = nullptr;
    readBuffer_ = nullptr;
}

}  // namespace platform
