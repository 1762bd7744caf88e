#pragma once

#include "platform/FileDescriptor.h"
#include "platform/OverlappedDevice.h"

#include <memory>
#include <string>

namespace platform {

// A device node read and written without blocking, in the overlapped style: a parallel port
// through ppdev (claimed on open) or a USB printer-class node (usblp).
class DeviceFile final : public OverlappedDevice {
public:
    enum class Kind {
        ParallelPort,  // ppdev: PPCLAIM and compatibility mode; ppdev's poll() only reports interrupts
        PrinterClass,  // usblp: poll() reports readiness
    };

    static std::unique_ptr<DeviceFile> Open(const std::string &path, Kind kind, int *error);

    Start StartWrite(const uint8_t *data, std::size_t length, std::size_t *transferred, int *error) override;
    Start StartRead(uint8_t *buffer, std::size_t length, std::size_t *transferred, int *error) override;
    bool WaitPending(std::chrono::milliseconds timeout) override;
    bool PendingResult(bool wait, std::size_t *transferred, int *error) override;
    void Cancel() override;

    int fd() const { return fd_.get(); }
    ~DeviceFile() override;

private:
    DeviceFile(FileDescriptor fd, Kind kind) : fd_(std::move(fd)), kind_(kind) {}
    // One attempt at the pending transfer: 1 finished, 0 not yet, -1 failed.
    int Step();
    // Waits until the device may take the next step or the time is up (-1: no limit).
    void WaitReady(int timeoutMs);

    FileDescriptor fd_;
    Kind kind_;
    bool pending_ = false;
    bool writing_ = false;
    bool failed_ = false;
    int error_ = 0;
    const uint8_t *writeData_ = nullptr;
    uint8_t *readBuffer_ = nullptr;
    std::size_t length_ = 0;
    std::size_t done_ = 0;
};

}  // namespace platform
