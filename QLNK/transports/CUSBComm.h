#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>

class CUsbCalls;

// The USB printer class over usblp: the device found by its ids, data written in chunks of at
// most 4096 bytes and read in one read, each bounded by the call's time-out.
class CUSBComm {
public:
    // Finds the usblp node of usbVendorId and usbProductId and opens it into usbHandle (-1 when
    // the open failed; left alone when the search failed).
    static int32_t OpenPrinter(QLNK_CommContext &context);
    static int32_t SendPrinter(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t ReceivePrinter(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    // Closes a USB device this library opened; -1 goes into the handle on success. Any other
    // descriptor is left alone (QLNK_E_PARAM), and every send and receive refuses it the same way.
    static int32_t Close(int32_t *handle);
    // "vendor 1A2B product 0001".
    static std::string Describe(const QLNK_CommContext &context);

    // The calls this transport goes through: the kernel's unless a test put its own in place
    // (nullptr restores the kernel's).
    static CUsbCalls &calls();
    static void SetCalls(CUsbCalls *standIn);

private:
    CUSBComm() = default;
    int32_t FindPrinter(uint32_t vendorId, uint32_t productId);
    int32_t OpenPath(int32_t *handle);

    // The node the search found; empty until then.
    std::string path_;
};
