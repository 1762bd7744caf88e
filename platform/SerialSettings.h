#pragma once

#include <cstdint>
#include <termios.h>

namespace platform {

// The serial line settings: the 28-byte device-control block of the Windows serial API, with
// its field order and flag layout, so that the library's public record maps onto it field by field.
struct Dcb {
    // Bits of flags.
    static constexpr uint32_t kBinary = 0x00000001u;
    static constexpr uint32_t kParityCheck = 0x00000002u;
    static constexpr uint32_t kCtsOutputFlow = 0x00000004u;
    static constexpr uint32_t kDsrOutputFlow = 0x00000008u;
    static constexpr uint32_t kDtrControlMask = 0x00000030u;  // 0 disable, 1 enable, 2 handshake
    static constexpr uint32_t kDtrControlShift = 4;
    static constexpr uint32_t kDsrSensitivity = 0x00000040u;
    static constexpr uint32_t kTxContinueOnXoff = 0x00000080u;
    static constexpr uint32_t kXonXoffOutput = 0x00000100u;
    static constexpr uint32_t kXonXoffInput = 0x00000200u;
    static constexpr uint32_t kErrorChar = 0x00000400u;
    static constexpr uint32_t kNullStripping = 0x00000800u;
    static constexpr uint32_t kRtsControlMask = 0x00003000u;  // 0 disable, 1 enable, 2 handshake, 3 toggle
    static constexpr uint32_t kRtsControlShift = 12;
    static constexpr uint32_t kAbortOnError = 0x00004000u;
    // Values of Parity and StopBits.
    static constexpr uint8_t kParityNone = 0;
    static constexpr uint8_t kParityOdd = 1;
    static constexpr uint8_t kParityEven = 2;
    static constexpr uint8_t kParityMark = 3;
    static constexpr uint8_t kParitySpace = 4;
    static constexpr uint8_t kStopBitsOne = 0;
    static constexpr uint8_t kStopBitsOneAndHalf = 1;
    static constexpr uint8_t kStopBitsTwo = 2;

    uint32_t DCBlength;
    uint32_t BaudRate;
    uint32_t flags;
    uint16_t wReserved;
    uint16_t XonLim;
    uint16_t XoffLim;
    uint8_t ByteSize;
    uint8_t Parity;
    uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    uint16_t wReserved1;
};
static_assert(sizeof(Dcb) == 28, "the device-control block is 28 bytes");

// The five serial time-out values of the Windows serial API, in milliseconds.
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
    // Applies dcb onto settings (which hold the port's current termios). False with *error EINVAL
    // when the block holds a speed, byte size, parity or stop-bit code the line cannot take.
    static bool ToTermios(const Dcb &dcb, termios *settings, ModemLineRequest *lines, int *error);
    // Fills the parts of dcb that termios holds: speed, byte size, parity, stop bits,
    // XON/XOFF and CTS flow flags and the XON/XOFF characters. Other fields stay as they are.
    static void FromTermios(const termios &settings, Dcb *dcb);

    // The termios speed constant for a baud rate, or B0 when there is none.
    static speed_t SpeedFor(uint32_t baud);
    static uint32_t BaudFor(speed_t speed);

    static uint32_t DtrControl(const Dcb &dcb);
    static uint32_t RtsControl(const Dcb &dcb);
};

}  // namespace platform
