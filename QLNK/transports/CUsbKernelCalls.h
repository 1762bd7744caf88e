#pragma once

#include "transports/CUsbCalls.h"

// The USB calls as libudev and the kernel answer them.
class CUsbKernelCalls final : public CUsbCalls {
public:
    int PrinterNodes(std::vector<CUsbPrinterNode> *nodes) override;
    int HidrawNodes(std::vector<std::string> *devnodes) override;
    int Open(const char *path, int flags) override;
    int Close(int fd) override;
    ssize_t Read(int fd, void *buffer, std::size_t length) override;
    ssize_t Write(int fd, const void *data, std::size_t length) override;
    int Poll(pollfd *fds, unsigned nfds, int timeoutMs) override;
    int RawInfo(int fd, hidraw_devinfo *info) override;
    int DescriptorSize(int fd, int *size) override;
    int Descriptor(int fd, uint8_t *bytes, std::size_t size) override;
    int SetFeature(int fd, const uint8_t *report, std::size_t length) override;
    int GetFeature(int fd, uint8_t *report, std::size_t length) override;
};
