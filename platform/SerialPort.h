#pragma once

#include "platform/FileDescriptor.h"
#include "platform/SerialSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A serial port with the behaviour of the original serial API: a device-control block for the
// line settings, the five-value time-out record honoured by read and write, purge, and an
// exclusive open. Errors are reported as SystemError.h says.
class SerialPort {
public:
    // Opens the device for reading and writing, exclusively (TIOCEXCL and flock): a port that
    // another program holds fails with EBUSY.
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
    // Writes within the write limit. Returns false only on an error of the device; a time-out
    // returns true with fewer bytes written. With DSR output flow on, waits while DSR is off.
    bool Write(const uint8_t *data, std::size_t length, std::size_t *written, int *error);
    // Discards what has been received and not read.
    bool PurgeReceive(int *error);
    // DSR as the device reports it; a device without modem lines counts as DSR on.
    bool dsrOn() const;

private:
    explicit SerialPort(FileDescriptor fd);

    FileDescriptor fd_;
    Dcb applied_{};
    CommTimeouts timeouts_{};
};

}  // namespace platform
