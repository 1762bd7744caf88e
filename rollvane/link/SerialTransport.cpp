#include "rollvane/link/SerialTransport.h"

#include <cctype>
#include <cerrno>

namespace rollvane {

namespace {

constexpr uint32_t kMax = platform::kMaxTimeout;
constexpr uint32_t kOpenReadTimeoutMs = 30000;

// The serial flag word after the flow-control choice: these bits are forced, the rest kept.
constexpr uint32_t kForcedOn = platform::Dcb::kBinary | platform::Dcb::kParityCheck |
                               (1u << platform::Dcb::kDtrControlShift) | platform::Dcb::kTxContinueOnXoff |
                               (1u << platform::Dcb::kRtsControlShift);
// DTR and RTS control end up 1 ("enable"): their upper bits are cleared, the lower ones set.
constexpr uint32_t kForcedOff = platform::Dcb::kCtsOutputFlow | (2u << platform::Dcb::kDtrControlShift) |
                                platform::Dcb::kDsrSensitivity | platform::Dcb::kErrorChar |
                                platform::Dcb::kNullStripping | (2u << platform::Dcb::kRtsControlShift) |
                                platform::Dcb::kAbortOnError;
static_assert(kForcedOn == 0x1093 && (~kForcedOff & 0xFFFFFFFFu) == 0xFFFF939B, "serial flag word");

const char *const kXonXoff = "Xon/Xoff";

uint8_t ParityCode(const std::string &parity)
{
    switch (parity.empty() ? '\0' : std::toupper(static_cast<unsigned char>(parity[0]))) {
    case 'E':
        return platform::Dcb::kParityEven;
    case 'M':
        return platform::Dcb::kParityMark;
    case 'O':
        return platform::Dcb::kParityOdd;
    case 'S':
        return platform::Dcb::kParitySpace;
    default:
        return platform::Dcb::kParityNone;
    }
}

}  // namespace

SerialTransport::SerialTransport(LinkFacilities::SerialOpener open, const platform::DevicePaths &devices,
                                 LinkJournal &journal)
    : open_(std::move(open)), devices_(devices), journal_(journal)
{}

std::string SerialTransport::where() const
{
    return port_ + " (" + path_ + ")";
}

int SerialTransport::Open(const std::string &port)
{
    port_ = port;
    path_ = devices_.path(port);
    int error = ENODEV;
    if (open_) {
        line_ = open_(path_, &error);
    }
    if (!line_) {
        std::string hint;
        if (error == EACCES || error == EPERM) {
            hint = "serial ports usually need membership of the \"dialout\" group";
        } else if ((error == ENOENT || error == ENXIO || error == ENODEV) && !devices_.entry(port)) {
            hint = "a [DEVICES] entry in inifile.inf names the device of a port";
        }
        if (error == ENOTTY) {
            journal_.Failed(where(), "open", "it is not a serial port (not a terminal device)");
        } else {
            journal_.Failed(where(), "open", error, hint);
        }
    }
    SetReadTimeout(kOpenReadTimeoutMs);
    return line_ ? 1 : 0;
}

int SerialTransport::ConfigureLine(const LinkSettings &settings)
{
    serialState_.DCBlength = sizeof(platform::Dcb);
    int error = 0;
    if (line_) {
        line_->GetState(&serialState_, &error);
    }
    serialState_.Parity = ParityCode(settings.parity);

    uint32_t flags = serialState_.flags;
    if (settings.flowControl == kXonXoff) {
        flags &= ~platform::Dcb::kDsrOutputFlow;
        flags |= platform::Dcb::kXonXoffOutput | platform::Dcb::kXonXoffInput;
    } else {
        flags |= platform::Dcb::kDsrOutputFlow;
        flags &= ~(platform::Dcb::kXonXoffOutput | platform::Dcb::kXonXoffInput);
    }
    serialState_.flags = (flags & ~kForcedOff) | kForcedOn;

    serialState_.BaudRate = static_cast<uint32_t>(settings.baudRate);
    serialState_.ByteSize = static_cast<uint8_t>(settings.dataBits);
    if (settings.stopBits == 1) {
        serialState_.StopBits = platform::Dcb::kStopBitsOne;
    } else if (settings.stopBits == 2) {
        serialState_.StopBits = platform::Dcb::kStopBitsTwo;
    }

    SetReadTimeout(kOpenReadTimeoutMs);
    if (!line_) {
        return 0;
    }
    if (!line_->SetState(serialState_, &error)) {
        journal_.Failed(where(), "configure", error);
        return 0;
    }
    if (journal_.tracing()) {
        journal_.Trace("configure " + where() + ": " + std::to_string(settings.baudRate) + " baud, parity " +
                       settings.parity + ", data bits " + std::to_string(settings.dataBits) + ", stop bits " +
                       std::to_string(settings.stopBits) + ", flow " + settings.flowControl);
    }
    // The Windows driver queue sizes have no counterpart on a tty.
    return 1;
}

int SerialTransport::ApplyTimeouts(const platform::CommTimeouts &timeouts)
{
    if (!line_) {
        return 0;
    }
    serialTimeouts_ = line_->timeouts();
    serialTimeouts_ = timeouts;
    return line_->SetTimeouts(serialTimeouts_) ? 1 : 0;
}

// The two time-out setters, as data: read interval, read multiplier, read constant, write
// multiplier, write constant. The argument takes the place of the constant it names.
int SerialTransport::SetReadTimeout(uint32_t ms)
{
    return ApplyTimeouts({kMax, kMax, ms, 250, 10000});
}

int SerialTransport::SetWriteTimeout(uint32_t ms)
{
    return ApplyTimeouts({kMax, kMax, 1000, 1250, ms});
}

int SerialTransport::CheckConnected()
{
    if (line_ && line_->HungUp()) {
        journal_.Failed(where(), "send", "the line hung up (the printer or its cable went away)");
        return 0;
    }
    return 1;
}

void SerialTransport::PurgeReceive()
{
    if (line_) {
        line_->PurgeReceive();
    }
}

int SerialTransport::Send(const uint8_t *data, uint32_t length, bool /*bulk*/)
{
    if (!line_) {
        journal_.Failed(where(), "send", "the port is not open");
        return 0;
    }
    PurgeReceive();
    journal_.Sent(where(), data, length);
    std::size_t offset = 0;
    std::size_t outstanding = length;
    for (;;) {
        std::size_t moved = 0;
        int error = 0;
        // A write that fails after moving some bytes does not end the loop; one that moves none does.
        line_->Write(data + offset, outstanding, &moved, &error);
        if (moved == 0) {
            const uint64_t limit =
                uint64_t(serialTimeouts_.writeTotalMultiplier) * outstanding + serialTimeouts_.writeTotalConstant;
            if (error != 0) {
                journal_.Failed(where(), "send", error);
            } else {
                journal_.Failed(where(), "send", "the port took no byte within " + std::to_string(limit) + " ms",
                                "the printer may be holding the line (flow control)");
            }
            return 0;
        }
        if (moved >= outstanding) {
            return 1;
        }
        outstanding -= moved;
        offset += moved;
    }
}

int SerialTransport::Receive(uint8_t *buffer, uint32_t length)
{
    if (!line_) {
        journal_.Failed(where(), "receive", "the port is not open");
        return 0;
    }
    for (uint32_t i = 0; i < length; ++i) {
        std::size_t received = 0;
        int error = 0;
        if (!line_->Read(buffer + i, 1, &received, &error) || received != 1) {
            journal_.Received(where(), buffer, i);
            if (error == EIO) {
                journal_.Failed(where(), "receive", "the line hung up (the printer or its cable went away)");
            } else if (error != 0) {
                journal_.Failed(where(), "receive", error);
            } else {
                journal_.Failed(
                    where(), "receive",
                    "no reply within " + std::to_string(serialTimeouts_.readTotalConstant) + " ms" +
                        (i > 0 ? " (" + std::to_string(i) + " of " + std::to_string(length) + " bytes came)" : ""));
            }
            return 0;
        }
    }
    journal_.Received(where(), buffer, length);
    return 1;
}

}  // namespace rollvane
