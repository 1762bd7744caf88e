#include "PtyLink.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

PtyLink::~PtyLink()
{
    Close();
}

bool PtyLink::Open(std::string &error)
{
    struct stat st {};
    if (::lstat(linkPath_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath_ + " exists and is not a symbolic link";
        return false;
    }
    int master = -1;
    int slave = -1;
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    // Raw on both sides: no echo of replies back to us, no byte rewritten.
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    master_.reset(master);
    slave_.reset(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    char name[128] = {0};
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        error = std::string("ttyname: ") + std::strerror(errno);
        Close();
        return false;
    }
    slavePath_ = name;
    const std::string temp = linkPath_ + ".new";
    ::unlink(temp.c_str());
    if (::symlink(slavePath_.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), linkPath_.c_str()) != 0) {
        error = "cannot link " + linkPath_ + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        master_.reset();
        slave_.reset();
        return false;
    }
    return true;
}

bool PtyLink::Reopen(std::string &error)
{
    // The link moves to the new line before the old one hangs up, so a
    // program that reopens the port at once never finds the dead one.
    platform::FileDescriptor oldMaster = std::move(master_);
    platform::FileDescriptor oldSlave = std::move(slave_);
    return Open(error);
}

void PtyLink::Close()
{
    if (!master_.valid())
        return;
    char target[256] = {0};
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath_ == std::string(target, static_cast<size_t>(n)))
        ::unlink(linkPath_.c_str());
    master_.reset();
    slave_.reset();
}

void PtyLink::ReleaseExclusive()
{
    if (slave_.valid())
        ::ioctl(slave_.get(), TIOCNXCL);
}
