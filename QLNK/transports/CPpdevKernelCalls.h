#pragma once

#include "transports/CPpdevCalls.h"

// The ppdev calls as the kernel answers them.
class CPpdevKernelCalls final : public CPpdevCalls {
public:
    int open(const char *path, int flags) override;
    int lock(int fd) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void *argument) override;
    ssize_t read(int fd, void *buffer, std::size_t length) override;
    ssize_t write(int fd, const void *data, std::size_t length) override;
};
