#pragma once

#include <cstddef>
#include <sys/types.h>

// The system calls the parallel transport makes on a ppdev node. The kernel's are in
// CPpdevKernelCalls; a machine without a parallel port can put its own in their place.
// Each call answers like the system call: -1 with errno set on failure.
class CPpdevCalls {
public:
    virtual ~CPpdevCalls() = default;

    virtual int Open(const char *path, int flags) = 0;
    // An exclusive lock that does not wait (flock LOCK_EX | LOCK_NB).
    virtual int Lock(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void *argument) = 0;
    virtual ssize_t Read(int fd, void *buffer, std::size_t length) = 0;
    virtual ssize_t Write(int fd, const void *data, std::size_t length) = 0;
};
