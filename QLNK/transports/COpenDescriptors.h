#pragma once

#include <mutex>
#include <set>

// The devices of one kind this library has opened, by descriptor. A descriptor the caller holds
// that is not in here (a zero-filled record's 0, a descriptor of its own) is never used or closed.
class COpenDescriptors {
public:
    // The parallel ports and the USB devices (printer class and HID). Neither set is ever
    // destroyed: a caller's exit handler may still close a device after the library's own
    // objects are gone.
    static COpenDescriptors &ParallelPorts();
    static COpenDescriptors &UsbDevices();

    void Add(int fd);
    // Whether the library opened fd and has not closed it since.
    bool Contains(int fd) const;
    // Forgets fd before it is closed; false when the library did not open it.
    bool Remove(int fd);

private:
    COpenDescriptors() = default;

    mutable std::mutex lock_;
    std::set<int> open_;
};
