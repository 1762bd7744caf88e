#include "transports/CUSBComm.h"

#include "CLastError.h"
#include "transports/CUsbHandleTable.h"
#include "transports/CUsbKernelCalls.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kChunk = 4096;
constexpr std::size_t kMaxPrinters = 127;

// Never destroyed (it holds nothing): a caller's exit handler may still close a USB device
// after the library's own objects are gone.
CUsbKernelCalls &kernelCalls()
{
    alignas(CUsbKernelCalls) static unsigned char storage[sizeof(CUsbKernelCalls)];
    static CUsbKernelCalls *calls = new (storage) CUsbKernelCalls;
    return *calls;
}

// A test's stand-in for the kernel's calls; constant-initialised and trivially destroyed.
constinit std::atomic<CUsbCalls *> replacement{nullptr};

int32_t Failed(int error, int32_t result)
{
    CLastError::Store(error);
    return result;
}

// A descriptor this library did not open as a USB device is neither used nor closed.
int32_t NotOurs()
{
    return Failed(EBADF, QLNK_E_PARAM);
}

Clock::time_point Deadline(uint32_t timeoutMs)
{
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Waits for events on fd until deadline: 1 ready (an error or hang-up counts, for the next call
// to report), 0 timed out, -1 with errno when poll failed. A passed deadline still looks once.
int Wait(CUsbCalls &usb, int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, events, 0};
        const int result = usb.Poll(&p, 1, static_cast<int>(std::clamp<long long>(left, 0, INT_MAX)));
        if (result >= 0 || errno != EINTR) {
            return result > 0 ? 1 : result;
        }
    }
}

// The text the search matches the ids in, built from the device's own ids so that holding
// both "_%04x" texts means that vendor and product match.
std::string PathText(const CUsbPrinterNode &node)
{
    char text[32];
    std::snprintf(text, sizeof text, "vid_%04x&pid_%04x", unsigned(node.vendorId), unsigned(node.productId));
    return text;
}

std::string IdText(uint32_t id)
{
    char text[16];
    std::snprintf(text, sizeof text, "_%04x", unsigned(id));
    return text;
}

}  // namespace

CUsbCalls &CUSBComm::calls()
{
    CUsbCalls *standIn = replacement.load();
    return standIn != nullptr ? *standIn : kernelCalls();
}

void CUSBComm::SetCalls(CUsbCalls *standIn)
{
    replacement.store(standIn);
}

std::string CUSBComm::Describe(const QLNK_CommContext &context)
{
    char text[48];
    std::snprintf(text, sizeof text, "vendor %04X product %04X", unsigned(context.usbVendorId),
                  unsigned(context.usbProductId));
    return text;
}

int32_t CUSBComm::FindPrinter(uint32_t vendorId, uint32_t productId)
{
    std::vector<CUsbPrinterNode> nodes;
    if (calls().PrinterNodes(&nodes) != 0) {
        return Failed(errno, QLNK_E_OPEN);
    }
    if (nodes.size() > kMaxPrinters) {
        nodes.resize(kMaxPrinters);
    }
    if (nodes.empty()) {
        return Failed(ENODEV, QLNK_E_NO_DEVICE);
    }
    const std::string vendorText = IdText(vendorId);
    const std::string productText = IdText(productId);
    for (const CUsbPrinterNode &node : nodes) {
        const std::string text = PathText(node);
        if (text.find(vendorText) != std::string::npos && text.find(productText) != std::string::npos) {
            path_ = node.devnode;
            return QLNK_OK;
        }
    }
    return Failed(ENODEV, QLNK_E_NO_MATCH);
}

int32_t CUSBComm::OpenPath(int32_t *handle)
{
    *handle = -1;
    // Nothing found: the open of an empty path.
    if (path_.empty()) {
        return Failed(ENOENT, QLNK_E_OPEN);
    }
    // Non-blocking, so that every transfer can be bounded with poll.
    errno = 0;
    const int fd = calls().Open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    CLastError::Store(fd < 0 ? errno : 0);
    if (fd < 0) {
        return QLNK_E_OPEN;
    }
    CUsbHandleTable::Add(fd);
    *handle = fd;
    return QLNK_OK;
}

int32_t CUSBComm::OpenPrinter(QLNK_CommContext &context)
{
    CUSBComm comm;
    const int32_t found = comm.FindPrinter(context.usbVendorId, context.usbProductId);
    if (found != QLNK_OK) {
        return found;
    }
    return comm.OpenPath(&context.usbHandle);
}

int32_t CUSBComm::SendPrinter(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    if (!CUsbHandleTable::Contains(fd)) {
        return NotOurs();
    }
    CUsbCalls &usb = calls();
    const auto deadline = Deadline(timeoutMs);
    uint32_t done = 0;
    for (;;) {
        // A length that is a multiple of the chunk ends with a write of nothing.
        const uint32_t chunk = std::min(length - done, kChunk);
        ssize_t n;
        bool waited = false;
        for (;;) {
            n = usb.Write(fd, data + done, chunk);
            if (n > 0 || (n == 0 && chunk == 0)) {
                break;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                return Failed(errno, QLNK_E_SYSTEM);
            }
            // The device still holds the previous chunk (or took nothing): wait for room.
            if (waited && Clock::now() >= deadline) {
                return Failed(ETIMEDOUT, QLNK_E_TIMEOUT);
            }
            const int ready = Wait(usb, fd, POLLOUT, deadline);
            if (ready <= 0) {
                return ready == 0 ? Failed(ETIMEDOUT, QLNK_E_TIMEOUT) : Failed(errno, QLNK_E_SYSTEM);
            }
            waited = true;
        }
        done += static_cast<uint32_t>(n);
        *sent = done;
        // Each chunk is waited for before the next, the last one too, so a stalled printer is
        // seen within this call.
        const int ready = Wait(usb, fd, POLLOUT, deadline);
        if (ready <= 0) {
            return ready == 0 ? Failed(ETIMEDOUT, QLNK_E_TIMEOUT) : Failed(errno, QLNK_E_SYSTEM);
        }
        if (chunk < kChunk && static_cast<uint32_t>(n) == chunk) {
            return QLNK_OK;
        }
    }
}

int32_t CUSBComm::ReceivePrinter(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    if (!CUsbHandleTable::Contains(fd)) {
        return NotOurs();
    }
    CUsbCalls &usb = calls();
    const auto deadline = Deadline(timeoutMs);
    bool waited = false;
    for (;;) {
        const ssize_t n = usb.Read(fd, buffer, capacity);
        if (n >= 0) {
            *received = static_cast<uint32_t>(n);
            return QLNK_OK;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Failed(errno, QLNK_E_SYSTEM);
        }
        if (waited && Clock::now() >= deadline) {
            return Failed(ETIMEDOUT, QLNK_E_TIMEOUT);
        }
        const int ready = Wait(usb, fd, POLLIN, deadline);
        if (ready <= 0) {
            return ready == 0 ? Failed(ETIMEDOUT, QLNK_E_TIMEOUT) : Failed(errno, QLNK_E_SYSTEM);
        }
        waited = true;
    }
}

int32_t CUSBComm::Close(int32_t *handle)
{
    if (!CUsbHandleTable::Remove(*handle)) {
        return NotOurs();
    }
    // Linux releases the descriptor even when close reports an error: it is no longer ours.
    if (calls().Close(*handle) != 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    *handle = -1;
    return QLNK_OK;
}
