#pragma once

#include "transports/CPpdevCalls.h"

// The ppdev calls as the kernel answers them.
class CPpdevKernelCalls final : public CPpdevCalls {
public:
    int Open(const char *path, int flags) override;
    int Lock(int fd) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void *argument) override;
    ssize_t Read(int fd, void *buffer, std::size_t length) override;
    ssize_t Write(int fd, const void *data, std::size_t length) override;
};
