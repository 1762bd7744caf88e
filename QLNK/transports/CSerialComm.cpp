#include "transports/CSerialComm.h"

#include "CLastError.h"
#include "transports/CSerialPortTable.h"
#include "transports/CWideText.h"

#include "platform/DevicePaths.h"
#include "platform/SerialPort.h"

#include <cerrno>

namespace {

constexpr uint32_t kWriteMsPerByte = 100;

// The caller's record, field by field, as the platform's serial settings. The flag word and the
// codes have the same meaning on both sides.
platform::Dcb PlatformDcb(const QLNK_DCB &dcb)
{
    static_assert(
        QLNK_DCB_BINARY == platform::Dcb::kBinary && QLNK_DCB_ABORT_ON_ERROR == platform::Dcb::kAbortOnError &&
            QLNK_DCB_DTR_CONTROL_SHIFT == platform::Dcb::kDtrControlShift &&
            QLNK_DCB_RTS_CONTROL_SHIFT == platform::Dcb::kRtsControlShift &&
            QLNK_PARITY_SPACE == platform::Dcb::kParitySpace && QLNK_STOPBITS_TWO == platform::Dcb::kStopBitsTwo,
        "the public record and the platform's settings share their codes");
    platform::Dcb out{};
    out.DCBlength = dcb.DCBlength;
    out.BaudRate = dcb.BaudRate;
    out.flags = dcb.flags;
    out.wReserved = dcb.wReserved;
    out.XonLim = dcb.XonLim;
    out.XoffLim = dcb.XoffLim;
    out.ByteSize = dcb.ByteSize;
    out.Parity = dcb.Parity;
    out.StopBits = dcb.StopBits;
    out.XonChar = dcb.XonChar;
    out.XoffChar = dcb.XoffChar;
    out.ErrorChar = dcb.ErrorChar;
    out.EofChar = dcb.EofChar;
    out.EvtChar = dcb.EvtChar;
    out.wReserved1 = dcb.wReserved1;
    return out;
}

// A descriptor this library did not open as a serial port (a zero-filled record's 0, say) is
// neither used nor closed.
int32_t NotOurs()
{
    CLastError::Store(EBADF);
    return QLNK_E_PARAM;
}

// A transfer that moved nothing is a time-out, whether the wait ran out or the device failed.
int32_t TransferResult(bool ok, std::size_t moved, int error, uint32_t *count)
{
    *count = static_cast<uint32_t>(moved);
    if (!ok || moved == 0) {
        CLastError::Store(ok ? ETIMEDOUT : error);
        return QLNK_E_TIMEOUT;
    }
    return QLNK_OK;
}

}  // namespace

int32_t CSerialComm::Open(QLNK_CommContext &context)
{
    const std::string path = platform::DevicePaths::DefaultPath(CWideText::ToUtf8(context.serialPortName));
    int error = 0;
    auto port = platform::SerialPort::Open(path, &error);
    // Recorded whether or not the open worked: 0 after a successful one.
    CLastError::Store(port ? 0 : error);
    if (!port) {
        context.serialHandle = -1;
        return QLNK_E_OPEN;
    }
    platform::SerialPort &opened = *port;
    context.serialHandle = CSerialPortTable::Add(std::move(port));
    if (!opened.SetState(PlatformDcb(context.serialDcb), &error)) {
        CLastError::Store(error);
        return QLNK_E_PARAM;
    }
    // Driver queue sizes have no counterpart on a tty; the kernel's buffers stand.
    return QLNK_OK;
}

int32_t CSerialComm::Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    *sent = 0;
    auto port = CSerialPortTable::Find(fd);
    if (!port) {
        return NotOurs();
    }
    platform::CommTimeouts timeouts = port->timeouts();
    timeouts.readInterval = platform::kMaxTimeout;
    timeouts.readTotalMultiplier = platform::kMaxTimeout;
    timeouts.readTotalConstant = 0;
    timeouts.writeTotalMultiplier = kWriteMsPerByte;
    timeouts.writeTotalConstant = timeoutMs;
    port->SetTimeouts(timeouts);

    std::size_t written = 0;
    int error = 0;
    const bool ok = port->Write(data, length, &written, &error);
    return TransferResult(ok, written, error, sent);
}

int32_t CSerialComm::Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    *received = 0;
    auto port = CSerialPortTable::Find(fd);
    if (!port) {
        return NotOurs();
    }
    platform::CommTimeouts timeouts = port->timeouts();
    timeouts.readInterval = platform::kMaxTimeout;
    timeouts.readTotalMultiplier = platform::kMaxTimeout;
    // The all-ones value would switch the read to its "wait for the whole buffer" rule.
    timeouts.readTotalConstant = timeoutMs < platform::kMaxTimeout ? timeoutMs : platform::kMaxTimeout - 1;
    timeouts.writeTotalMultiplier = kWriteMsPerByte;
    timeouts.writeTotalConstant = 0;
    port->SetTimeouts(timeouts);

    std::size_t got = 0;
    int error = 0;
    const bool ok = port->Read(buffer, capacity, &got, &error);
    return TransferResult(ok, got, error, received);
}

int32_t CSerialComm::Close(int32_t *handle)
{
    if (!CSerialPortTable::Close(*handle)) {
        return NotOurs();
    }
    *handle = -1;
    return QLNK_OK;
}

std::string CSerialComm::Describe(const QLNK_CommContext &context)
{
    return platform::DevicePaths::DefaultPath(CWideText::ToUtf8(context.serialPortName));
}
