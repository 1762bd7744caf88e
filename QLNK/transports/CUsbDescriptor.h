#pragma once

class CUsbCalls;

// Owns one descriptor opened through CUsbCalls and closes it through them when it goes.
class CUsbDescriptor {
public:
    CUsbDescriptor(CUsbCalls &calls, int fd) : calls_(calls), fd_(fd) {}
    ~CUsbDescriptor();
    CUsbDescriptor(const CUsbDescriptor &) = delete;
    CUsbDescriptor &operator=(const CUsbDescriptor &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    CUsbCalls &calls_;
    int fd_;
};
