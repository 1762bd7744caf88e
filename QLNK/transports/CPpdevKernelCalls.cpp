#include "transports/CPpdevKernelCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

int CPpdevKernelCalls::Open(const char *path, int flags)
{
    return ::open(path, flags);
}

int CPpdevKernelCalls::Lock(int fd)
{
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result < 0 && errno == EINTR);
    return result;
}

int CPpdevKernelCalls::Close(int fd)
{
    return ::close(fd);
}

int CPpdevKernelCalls::Ioctl(int fd, unsigned long request, void *argument)
{
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

ssize_t CPpdevKernelCalls::Read(int fd, void *buffer, std::size_t length)
{
    return ::read(fd, buffer, length);
}

ssize_t CPpdevKernelCalls::Write(int fd, const void *data, std::size_t length)
{
    return ::write(fd, data, length);
}
