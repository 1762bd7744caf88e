#pragma once

#include <qlnk.h>

#include <cstdint>
#include <termios.h>

namespace platform {

// The serial line settings record shared with the library: the 28-byte device-control
// block of the original serial API (flag bits QLNK_DCB_*).
using Dcb = QLNK_DCB;

// The five serial time-out values of the original serial API, in milliseconds.
// With readInterval and readTotalMultiplier both at kMaxTimeout and 0 < readTotalConstant <
// kMaxTimeout, a read returns at once with what is there, or waits for the first byte up to
// readTotalConstant. A write may take writeTotalMultiplier x bytes + writeTotalConstant.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

constexpr uint32_t kMaxTimeout = 0xFFFFFFFFu;

// How the modem lines are to be driven after the settings are applied.
struct ModemLineRequest {
    bool dtrOn = true;
    bool rtsOn = true;
};

// Translation between the device-control block and termios.
class SerialSettings {
public:
    // Applies dcb onto settings (which hold the port's current termios). Returns 0, or
    // EINVAL when the block holds a speed, byte size, parity or stop-bit code the line cannot take.
    static int toTermios(const Dcb &dcb, termios *settings, ModemLineRequest *lines);
    // Fills the parts of dcb that termios holds: speed, byte size, parity, stop bits,
    // XON/XOFF and CTS flow flags and the XON/XOFF characters. Other fields stay as they are.
    static void fromTermios(const termios &settings, Dcb *dcb);

    // The termios speed constant for a baud rate, or B0 when there is none.
    static speed_t speedFor(uint32_t baud);
    static uint32_t baudFor(speed_t speed);

    static uint32_t dtrControl(const Dcb &dcb);
    static uint32_t rtsControl(const Dcb &dcb);
};

}  // namespace platform
