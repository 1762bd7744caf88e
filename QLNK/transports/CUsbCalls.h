#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct pollfd;
struct hidraw_devinfo;

// A usblp node and the ids of the USB device it belongs to.
struct CUsbPrinterNode {
    std::string devnode;  // /dev/usb/lp0
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// What the USB transports ask of the system: the device database and the calls on a usblp or
// hidraw node. The kernel's are in CUsbKernelCalls; a machine without USB can put its own in
// their place. Each call answers like the system call: -1 with errno set on failure.
class CUsbCalls {
public:
    virtual ~CUsbCalls() = default;

    // Present usblp nodes (subsystem usbmisc, named lpN) in the database's order.
    virtual int PrinterNodes(std::vector<CUsbPrinterNode> *nodes) = 0;
    // Present hidraw device nodes in the database's order.
    virtual int HidrawNodes(std::vector<std::string> *devnodes) = 0;

    virtual int Open(const char *path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t Read(int fd, void *buffer, std::size_t length) = 0;
    virtual ssize_t Write(int fd, const void *data, std::size_t length) = 0;
    virtual int Poll(pollfd *fds, unsigned nfds, int timeoutMs) = 0;

    // The hidraw requests: HIDIOCGRAWINFO, HIDIOCGRDESCSIZE, HIDIOCGRDESC (size bytes, at most
    // HID_MAX_DESCRIPTOR_SIZE), HIDIOCSFEATURE and HIDIOCGFEATURE (the report starts with its
    // report id byte; the answer is the byte count).
    virtual int RawInfo(int fd, hidraw_devinfo *info) = 0;
    virtual int DescriptorSize(int fd, int *size) = 0;
    virtual int Descriptor(int fd, uint8_t *bytes, std::size_t size) = 0;
    virtual int SetFeature(int fd, const uint8_t *report, std::size_t length) = 0;
    virtual int GetFeature(int fd, uint8_t *report, std::size_t length) = 0;
};
