#include "transports/CParallelComm.h"

#include "CLastError.h"
#include "transports/COpenDescriptors.h"
#include "transports/CPpdevKernelCalls.h"
#include "transports/CWideText.h"

#include "platform/DevicePaths.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <new>
#include <sys/ioctl.h>
#include <sys/time.h>

namespace {

// The IEEE 1284 mode masks asked for each mode code (reverse channel, forward channel).
constexpr uint16_t kMaskCompatibility = 0x0002;
constexpr uint16_t kMaskNibble = 0x0004;
constexpr uint16_t kMaskByte = 0x0010;
constexpr uint16_t kMaskEcp = 0x0100;

struct ModeEntry {
    uint32_t mode;
    uint16_t readMask;
    uint16_t writeMask;
    int32_t failure;
};

constexpr ModeEntry kModes[] = {
    {QLNK_PAR_NIBBLE, kMaskNibble, kMaskCompatibility, QLNK_E_PAR_NIBBLE},
    {QLNK_PAR_BYTE, kMaskByte, kMaskCompatibility, QLNK_E_PAR_BYTE},
    {QLNK_PAR_ECP, kMaskEcp, kMaskEcp, QLNK_E_PAR_ECP},
};

// ppdev negotiates one mode: the reverse-channel one, the forward channel following from it.
int PpdevMode(uint16_t readMask)
{
    switch (readMask) {
    case kMaskNibble:
        return IEEE1284_MODE_NIBBLE;
    case kMaskByte:
        return IEEE1284_MODE_BYTE;
    case kMaskEcp:
        return IEEE1284_MODE_ECP;
    default:
        return IEEE1284_MODE_COMPAT;
    }
}

// Never destroyed (it holds nothing): a caller's exit handler may still close a parallel port
// after the library's own objects are gone.
CPpdevKernelCalls &kernelCalls()
{
    alignas(CPpdevKernelCalls) static unsigned char storage[sizeof(CPpdevKernelCalls)];
    static CPpdevKernelCalls *calls = new (storage) CPpdevKernelCalls;
    return *calls;
}

// A test's stand-in for the kernel's calls; constant-initialised and trivially destroyed, so it
// is readable at any time of the process's life.
constinit std::atomic<CPpdevCalls *> replacement{nullptr};

// A descriptor this library did not open as a parallel port (a zero-filled record's 0, say) is
// neither used nor closed.
int32_t NotOurs()
{
    CLastError::Store(EBADF);
    return QLNK_E_PARAM;
}

}  // namespace

CPpdevCalls &CParallelComm::calls()
{
    CPpdevCalls *standIn = replacement.load();
    return standIn != nullptr ? *standIn : kernelCalls();
}

void CParallelComm::SetCalls(CPpdevCalls *standIn)
{
    replacement.store(standIn);
}

std::string CParallelComm::Describe(const QLNK_CommContext &context)
{
    return platform::DevicePaths::DefaultPath(CWideText::ToUtf8(context.parallelPortName));
}

int32_t CParallelComm::Open(QLNK_CommContext &context)
{
    CPpdevCalls &ppdev = calls();
    const std::string path = platform::DevicePaths::DefaultPath(CWideText::ToUtf8(context.parallelPortName));
    // Blocking descriptor: ppdev's poll only reports interrupts, so transfers are bounded by
    // the port's inactivity time-out instead (set per call).
    errno = 0;
    int fd = ppdev.Open(path.c_str(), O_RDWR | O_CLOEXEC);
    int openError = fd < 0 ? errno : 0;
    // Not shared: a port another open holds is in use. Without the lock the claim below would
    // wait for as long as the other holder keeps the port, for ever within one thread.
    if (fd >= 0 && ppdev.Lock(fd) != 0) {
        openError = errno == EWOULDBLOCK ? EBUSY : errno;
        ppdev.Close(fd);
        fd = -1;
    }
    context.parallelHandle = fd < 0 ? -1 : fd;
    CLastError::Store(openError);
    if (fd < 0) {
        return QLNK_E_OPEN;
    }
    // From here on the port is the library's until it is closed, whether or not the rest works.
    COpenDescriptors::ParallelPorts().Add(fd);

    const ModeEntry *entry = nullptr;
    for (const ModeEntry &candidate : kModes) {
        if (candidate.mode == context.parallelMode) {
            entry = &candidate;
        }
    }
    if (entry == nullptr) {
        return QLNK_E_PARAM;
    }
    if (ppdev.Ioctl(fd, PPCLAIM, nullptr) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    int mode = PpdevMode(entry->readMask);
    if (ppdev.Ioctl(fd, PPNEGOT, &mode) == 0) {
        return QLNK_OK;
    }
    const int negotiateError = errno;
    CLastError::Store(negotiateError);
    // EIO: the peripheral does not speak IEEE 1284; ENXIO: it refused the mode. Anything else
    // means the request itself failed, and the port is left open for the caller.
    if (negotiateError != EIO && negotiateError != ENXIO) {
        return QLNK_E_SYSTEM;
    }
    // Back to compatibility mode before letting go; its own answer does not change the result.
    int compatibility = IEEE1284_MODE_COMPAT;
    ppdev.Ioctl(fd, PPNEGOT, &compatibility);
    COpenDescriptors::ParallelPorts().Remove(fd);
    ppdev.Close(fd);
    context.parallelHandle = -1;
    return entry->failure;
}

int32_t CParallelComm::Send(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    return Transfer(true, fd, const_cast<uint8_t *>(data), length, sent, timeoutMs);
}

int32_t CParallelComm::Receive(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs)
{
    return Transfer(false, fd, buffer, capacity, received, timeoutMs);
}

int32_t CParallelComm::Transfer(bool write, int fd, uint8_t *buffer, uint32_t length, uint32_t *count,
                                uint32_t timeoutMs)
{
    *count = 0;
    if (!COpenDescriptors::ParallelPorts().Contains(fd)) {
        return NotOurs();
    }
    CPpdevCalls &ppdev = calls();
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(timeoutMs / 1000);
    limit.tv_usec = static_cast<suseconds_t>(timeoutMs % 1000) * 1000;
    if (ppdev.Ioctl(fd, PPSETTIME, &limit) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    ssize_t n;
    do {
        n = write ? ppdev.Write(fd, buffer, length) : ppdev.Read(fd, buffer, length);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        *count = static_cast<uint32_t>(n);
        return QLNK_OK;
    }
    if (n == 0 || errno == EAGAIN || errno == ETIMEDOUT) {
        CLastError::Store(n == 0 ? ETIMEDOUT : errno);
        return QLNK_E_TIMEOUT;
    }
    CLastError::Store(errno);
    return QLNK_E_SYSTEM;
}

int32_t CParallelComm::Close(int32_t *handle)
{
    if (!COpenDescriptors::ParallelPorts().Remove(*handle)) {
        return NotOurs();
    }
    // Linux releases the descriptor even when close reports an error: it is no longer ours.
    if (calls().Close(*handle) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    *handle = -1;
    return QLNK_OK;
}
