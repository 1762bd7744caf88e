#include "transports/CUSBComm.h"

#include "CLastError.h"
#include "transports/COpenDescriptors.h"
#include "transports/CUsbDescriptor.h"
#include "transports/CUsbKernelCalls.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <new>
#include <poll.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kChunk = 4096;
constexpr std::size_t kMaxPrinters = 127;

// The HID printer's vendor layout.
constexpr uint16_t kVendorPage = 0xFF8B;
constexpr uint16_t kShortLink = 0x10;
constexpr uint16_t kLongLink = 0x11;
constexpr uint16_t kOutputData = 0xA0;
constexpr uint16_t kFeatureData = 0xA1;
constexpr uint16_t kLengthUsage = 0xA2;

// Fields are little-endian bit strings from bit 0 of the byte after the report id.
void PutBits(std::vector<uint8_t> &report, uint32_t bitOffset, uint16_t bits, uint32_t value)
{
    for (uint16_t i = 0; i < bits && i < 32; ++i) {
        const uint32_t bit = bitOffset + i;
        if ((value >> i & 1u) != 0) {
            report[1 + bit / 8] |= uint8_t(1u << (bit % 8));
        }
    }
}

uint32_t GetBits(const std::vector<uint8_t> &report, uint32_t bitOffset, uint16_t bits)
{
    uint32_t value = 0;
    for (uint16_t i = 0; i < bits && i < 32; ++i) {
        const uint32_t bit = bitOffset + i;
        value |= uint32_t(report[1 + bit / 8] >> (bit % 8) & 1u) << i;
    }
    return value;
}

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

int32_t CUSBComm::FindHid(uint32_t vendorId, uint32_t productId)
{
    CUsbCalls &usb = calls();
    std::vector<std::string> nodes;
    if (usb.HidrawNodes(&nodes) != 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    // A node that cannot be opened or asked is not the printer; a later match wins.
    for (const std::string &node : nodes) {
        const CUsbDescriptor probe(usb, usb.Open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        hidraw_devinfo info{};
        if (probe.valid() && usb.RawInfo(probe.get(), &info) == 0 && uint16_t(info.vendor) == vendorId &&
            uint16_t(info.product) == productId) {
            path_ = node;
        }
    }
    return QLNK_OK;
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
    COpenDescriptors::UsbDevices().Add(fd);
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

int32_t CUSBComm::OpenHid(QLNK_CommContext &context)
{
    context.usbHandle = -1;
    CUSBComm comm;
    const int32_t found = comm.FindHid(context.usbVendorId, context.usbProductId);
    if (found != QLNK_OK) {
        return found;
    }
    return comm.OpenPath(&context.usbHandle);
}

int32_t CUSBComm::ReadLayout(int fd)
{
    CUsbCalls &usb = calls();
    int size = 0;
    if (usb.DescriptorSize(fd, &size) != 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (usb.Descriptor(fd, bytes.data(), bytes.size()) != 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    if (!descriptor_.Parse(bytes.data(), bytes.size(), nullptr)) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    for (const CHidValueCaps &value : descriptor_.values()) {
        if (value.linkUsagePage != kVendorPage || value.usagePage != kVendorPage || value.isRange) {
            continue;
        }
        const Report report{true, value.reportCount, value.reportId, value.linkCollection};
        const bool link = value.linkUsage == kShortLink || value.linkUsage == kLongLink;
        if (value.kind == CHidValueCaps::Output && value.usage == kOutputData && link) {
            // A later one replaces an earlier one.
            (value.linkUsage == kShortLink ? shortOutput_ : longOutput_) = report;
        } else if (value.kind == CHidValueCaps::Feature && value.usage == kFeatureData && link && !feature_.found) {
            feature_ = report;
        }
    }
    return QLNK_OK;
}

const CHidValueCaps *CUSBComm::Field(CHidValueCaps::Kind kind, uint16_t usage, const Report &report) const
{
    const std::size_t reportBits = descriptor_.ReportByteLength(kind) * 8;
    for (const CHidValueCaps &value : descriptor_.values()) {
        if (value.kind == kind && value.usagePage == kVendorPage && value.usage == usage && !value.isRange &&
            value.reportId == report.reportId && value.linkCollection == report.linkCollection) {
            // Never outside the buffer, whatever the descriptor says.
            const uint64_t end = 8 + uint64_t(value.bitOffset) + uint64_t(value.reportCount) * value.bitSize;
            return end <= reportBits && value.reportCount > 0 ? &value : nullptr;
        }
    }
    return nullptr;
}

int32_t CUSBComm::Build(CHidValueCaps::Kind kind, uint16_t dataUsage, const Report &where, const uint8_t *data,
                        uint32_t length, std::vector<uint8_t> *report) const
{
    const CHidValueCaps *dataField = Field(kind, dataUsage, where);
    const CHidValueCaps *lengthField = Field(kind, kLengthUsage, where);
    // The data is an array of bytes, and its length must fit its field.
    if (dataField == nullptr || lengthField == nullptr || dataField->bitSize != 8 ||
        (lengthField->bitSize < 32 && (uint64_t(length) >> lengthField->bitSize) != 0)) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    if (length > dataField->reportCount) {
        return Failed(EMSGSIZE, QLNK_E_PARAM);
    }
    report->assign(descriptor_.ReportByteLength(kind), 0);
    (*report)[0] = where.reportId;
    for (uint32_t i = 0; i < length; ++i) {
        PutBits(*report, dataField->bitOffset + i * 8, 8, data[i]);
    }
    PutBits(*report, lengthField->bitOffset, lengthField->bitSize, length);
    return QLNK_OK;
}

int32_t CUSBComm::SendOutputReport(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t)
{
    if (!COpenDescriptors::UsbDevices().Contains(fd)) {
        return NotOurs();
    }
    CUSBComm comm;
    if (const int32_t layout = comm.ReadLayout(fd); layout != QLNK_OK) {
        return layout;
    }
    const bool fitsShort = comm.shortOutput_.found && length <= comm.shortOutput_.count;
    const Report &chosen = fitsShort ? comm.shortOutput_ : comm.longOutput_;
    if (!chosen.found) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    // One call sends one report: more than the long one holds would be cut off.
    if (length > chosen.count) {
        return Failed(EMSGSIZE, QLNK_E_PARAM);
    }
    std::vector<uint8_t> report;
    if (const int32_t built = comm.Build(CHidValueCaps::Output, kOutputData, chosen, data, length, &report);
        built != QLNK_OK) {
        return built;
    }
    ssize_t n;
    do {
        n = calls().Write(fd, report.data(), report.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    *sent = static_cast<uint32_t>(n);
    return static_cast<std::size_t>(n) == report.size() ? QLNK_OK : Failed(EIO, QLNK_E_SYSTEM);
}

int32_t CUSBComm::SendFeatureReport(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t)
{
    if (!COpenDescriptors::UsbDevices().Contains(fd)) {
        return NotOurs();
    }
    CUSBComm comm;
    if (const int32_t layout = comm.ReadLayout(fd); layout != QLNK_OK) {
        return layout;
    }
    if (!comm.feature_.found) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    std::vector<uint8_t> report;
    if (const int32_t built = comm.Build(CHidValueCaps::Feature, kFeatureData, comm.feature_, data, length, &report);
        built != QLNK_OK) {
        return built;
    }
    if (calls().SetFeature(fd, report.data(), report.size()) < 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    *sent = length;
    return QLNK_OK;
}

int32_t CUSBComm::ReceiveFeatureReport(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t)
{
    if (!COpenDescriptors::UsbDevices().Contains(fd)) {
        return NotOurs();
    }
    CUSBComm comm;
    if (const int32_t layout = comm.ReadLayout(fd); layout != QLNK_OK) {
        return layout;
    }
    const CHidValueCaps *dataField =
        comm.feature_.found ? comm.Field(CHidValueCaps::Feature, kFeatureData, comm.feature_) : nullptr;
    const CHidValueCaps *lengthField =
        comm.feature_.found ? comm.Field(CHidValueCaps::Feature, kLengthUsage, comm.feature_) : nullptr;
    if (dataField == nullptr || lengthField == nullptr || dataField->bitSize != 8) {
        return Failed(EPROTO, QLNK_E_SYSTEM);
    }
    // The whole data usage is copied: a smaller buffer would be overrun.
    if (capacity < dataField->reportCount) {
        return Failed(ENOBUFS, QLNK_E_PARAM);
    }
    std::vector<uint8_t> report(comm.descriptor_.ReportByteLength(CHidValueCaps::Feature), 0);
    report[0] = comm.feature_.reportId;
    if (calls().GetFeature(fd, report.data(), report.size()) < 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    for (uint32_t i = 0; i < dataField->reportCount; ++i) {
        buffer[i] = static_cast<uint8_t>(GetBits(report, dataField->bitOffset + i * 8, 8));
    }
    *received = GetBits(report, lengthField->bitOffset, lengthField->bitSize) & 0xFFFF;
    return QLNK_OK;
}

int32_t CUSBComm::SendPrinter(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs)
{
    if (!COpenDescriptors::UsbDevices().Contains(fd)) {
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
    if (!COpenDescriptors::UsbDevices().Contains(fd)) {
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
    if (!COpenDescriptors::UsbDevices().Remove(*handle)) {
        return NotOurs();
    }
    // Linux releases the descriptor even when close reports an error: it is no longer ours.
    if (calls().Close(*handle) != 0) {
        return Failed(errno, QLNK_E_SYSTEM);
    }
    *handle = -1;
    return QLNK_OK;
}
