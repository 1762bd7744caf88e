#pragma once

namespace platform {

// What a serial port asks and tells its tty beyond reading and writing: how many bytes still
// wait in the output queue, the DSR line, and dropping what is queued. The kernel does this by
// ioctl and tcflush; a pseudo-terminal has no queue to report and no modem lines, so tests of
// the drain play the tty here.
class TtyLineControl {
public:
    virtual ~TtyLineControl() = default;

    // Bytes written but not yet sent by the port; 0 when the device cannot tell.
    virtual int outputQueued(int fd) const = 0;
    // DSR on; a device without modem lines counts as DSR on.
    virtual bool dsrOn(int fd) const = 0;
    // Drops what is queued for output and not yet sent.
    virtual void FlushOutput(int fd) const = 0;

    // The kernel's (TIOCOUTQ, TIOCMGET, tcflush).
    static const TtyLineControl &Kernel();
};

}  // namespace platform
