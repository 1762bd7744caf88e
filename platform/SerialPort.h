#pragma once

#include "platform/DescriptorWait.h"
#include "platform/FileDescriptor.h"
#include "platform/SerialSettings.h"
#include "platform/TtyLineControl.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A serial port with the behaviour of the Windows serial API: a device-control block for the
// line settings, the five-value time-out record honoured by read and write, purge, and an
// exclusive open. Errors are reported as SystemError.h says.
class SerialPort {
public:
    // Opens the device for reading and writing, exclusively (TIOCEXCL and flock): a port that
    // another program holds fails with EBUSY. Anything that is not a terminal (a regular file,
    // a FIFO, another device) fails with ENOTTY before a byte can reach it.
    static std::unique_ptr<SerialPort> Open(const std::string &path, int *error);

    // Clears the exclusive mode, which the tty would otherwise keep while any other descriptor
    // (a pseudo-terminal's master, say) holds it open.
    ~SerialPort();
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    int fd() const { return fd_.get(); }

    // The current line settings; fields termios has no place for keep their last applied value.
    bool GetState(Dcb *dcb, int *error) const;
    // Applies dcb through termios and the modem-line calls. A device without modem lines
    // (a pseudo-terminal) does not make this fail.
    bool SetState(const Dcb &dcb, int *error);

    CommTimeouts timeouts() const { return timeouts_; }
    void SetTimeouts(const CommTimeouts &timeouts) { timeouts_ = timeouts; }

    // Reads up to length bytes as the time-outs say. Returns false only on an error of the
    // device; a time-out returns true with fewer bytes (possibly none).
    bool Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *error);
    // Writes within the write limit (multiplier x length + constant). A byte counts as written
    // once it has left the port, not when the kernel took it: the call waits for the output
    // queue to drain. What has not left when the limit runs out is withdrawn from the queue
    // and not counted, so the caller may send it again. With DSR output flow on, nothing is
    // handed over while DSR is off, looked at between chunks. Returns false only on an error of
    // the device; a time-out returns true with fewer bytes written (possibly none).
    bool Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error);
    // Discards what has been received and not read.
    bool PurgeReceive(int *error);
    // DSR as the device reports it; a device without modem lines counts as DSR on.
    bool dsrOn() const { return lineControl_->dsrOn(fd()); }
    // Tests of the drain play the tty themselves; control outlives the port.
    void UseLineControl(const TtyLineControl &control) { lineControl_ = &control; }

private:
    // Bytes handed over at a time under DSR flow, so that a line that goes off is noticed soon.
    static constexpr std::size_t kDsrChunk = 64;

    explicit SerialPort(FileDescriptor fd);
    // Waits while DSR is off; false when the deadline came first.
    bool WaitForDsr(const std::optional<DescriptorWait::Deadline> &deadline) const;
    // Waits for the output queue to empty; the bytes still queued when the deadline came.
    int WaitForDrain(const std::optional<DescriptorWait::Deadline> &deadline) const;

    FileDescriptor fd_;
    Dcb applied_{};
    CommTimeouts timeouts_{};
    const TtyLineControl *lineControl_;
};

}  // namespace platform
