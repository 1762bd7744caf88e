#include "platform/FileDescriptor.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

FileDescriptor::~FileDescriptor()
{
    reset();
}

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept
{
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

int FileDescriptor::release()
{
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileDescriptor::reset(int fd)
{
    if (fd_ >= 0 && fd_ != fd) {
        ::close(fd_);
    }
    fd_ = fd;
}

bool FileDescriptor::Close(int *error)
{
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    if (result != 0) {
        *error = errno;
        return false;
    }
    return true;
}

}  // namespace platform
