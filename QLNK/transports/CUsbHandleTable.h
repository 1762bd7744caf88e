#pragma once

// The USB devices this library has opened, by descriptor. A descriptor the caller holds that is
// not in here (a zero-filled record's 0, a descriptor of its own) is never used or closed.
class CUsbHandleTable {
public:
    static void Add(int fd);
    // Whether the library opened fd as a USB device and has not closed it since.
    static bool Contains(int fd);
    // Forgets fd before it is closed; false when the library did not open it.
    static bool Remove(int fd);
};
