#pragma once

#include <qlnk.h>

#include "transports/CHidReportDescriptor.h"

#include <cstdint>
#include <string>
#include <vector>

class CUsbCalls;

// The USB transports, each device found by its ids:
// - the printer class over usblp: data written in chunks of at most 4096 bytes and read in one
//   read, each bounded by the call's time-out;
// - a HID printer over hidraw, whose vendor layout (usage page 0xFF8B) carries data in output
//   reports (a short and a long one) or in a feature report, each with its length. The layout
//   is read from the device's report descriptor at every HID send and receive.
class CUSBComm {
public:
    // Finds the usblp node of usbVendorId and usbProductId and opens it into usbHandle (-1 when
    // the open failed; left alone when the search failed).
    static int32_t OpenPrinter(QLNK_CommContext &context);
    static int32_t SendPrinter(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t ReceivePrinter(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);

    // Writes -1 to usbHandle, finds the last hidraw node with the ids (QLNK_OK whether or not
    // one has them) and opens it into usbHandle (QLNK_E_OPEN when none had them).
    static int32_t OpenHid(QLNK_CommContext &context);
    // One output report, the short one when the data fits its count, else the long one; *sent
    // is the report's length. Data longer than the long report's count is refused.
    static int32_t SendOutputReport(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    // One feature report; *sent is the length it carries.
    static int32_t SendFeatureReport(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    // One feature report read from the device: its whole data usage into buffer (a capacity
    // smaller than that is refused), the low 16 bits of its length usage into *received.
    static int32_t ReceiveFeatureReport(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received,
                                        uint32_t timeoutMs);
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
    // Where one report's data usage is.
    struct Report {
        bool found = false;
        uint16_t count = 0;
        uint8_t reportId = 0;
        uint16_t linkCollection = 0;
    };

    CUSBComm() = default;
    int32_t FindPrinter(uint32_t vendorId, uint32_t productId);
    int32_t FindHid(uint32_t vendorId, uint32_t productId);
    int32_t OpenPath(int32_t *handle);
    // Reads and parses the report descriptor of fd and finds the three reports in it.
    int32_t ReadLayout(int fd);
    // The field of usage in report, lying wholly inside a report of kind; nullptr when the
    // descriptor has none.
    const CHidValueCaps *Field(CHidValueCaps::Kind kind, uint16_t usage, const Report &report) const;
    // Fills report with the data usage (data, then zeros) and the length usage of where.
    int32_t Build(CHidValueCaps::Kind kind, uint16_t dataUsage, const Report &where, const uint8_t *data,
                  uint32_t length, std::vector<uint8_t> *report) const;

    // The node the search found; empty until then.
    std::string path_;
    CHidReportDescriptor descriptor_;
    Report shortOutput_;
    Report longOutput_;
    Report feature_;
};
