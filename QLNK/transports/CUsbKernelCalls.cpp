#include "transports/CUsbKernelCalls.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <memory>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

struct UdevRelease {
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_enumerate *e) const { udev_enumerate_unref(e); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
};
using Udev = std::unique_ptr<udev, UdevRelease>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevRelease>;
using UdevDevice = std::unique_ptr<udev_device, UdevRelease>;

int Fail(int error)
{
    errno = error;
    return -1;
}

uint16_t HexAttribute(udev_device *device, const char *name)
{
    const char *value = udev_device_get_sysattr_value(device, name);
    return value != nullptr ? static_cast<uint16_t>(std::strtoul(value, nullptr, 16)) : 0;
}

// Calls found(device) for each present device of subsystem, in the database's order.
template <typename Found>
int EachDevice(const char *subsystem, Found found)
{
    Udev context(udev_new());
    if (!context) {
        return Fail(errno != 0 ? errno : ENOMEM);
    }
    UdevEnumerate enumerate(udev_enumerate_new(context.get()));
    if (!enumerate) {
        return Fail(errno != 0 ? errno : ENOMEM);
    }
    udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
    if (const int result = udev_enumerate_scan_devices(enumerate.get()); result < 0) {
        return Fail(-result);
    }
    for (udev_list_entry *entry = udev_enumerate_get_list_entry(enumerate.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        UdevDevice device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        // Gone since the scan, or without a node: not there to open.
        if (device && udev_device_get_devnode(device.get()) != nullptr) {
            found(device.get());
        }
    }
    return 0;
}

int Ioctl(int fd, unsigned long request, void *argument)
{
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

int CUsbKernelCalls::PrinterNodes(std::vector<CUsbPrinterNode> *nodes)
{
    return EachDevice("usbmisc", [nodes](udev_device *device) {
        const char *name = udev_device_get_sysname(device);
        if (name == nullptr || std::strncmp(name, "lp", 2) != 0) {
            return;
        }
        // Owned by the child.
        udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
        if (usbDevice == nullptr) {
            return;
        }
        nodes->push_back({udev_device_get_devnode(device), HexAttribute(usbDevice, "idVendor"),
                          HexAttribute(usbDevice, "idProduct")});
    });
}

int CUsbKernelCalls::HidrawNodes(std::vector<std::string> *devnodes)
{
    return EachDevice("hidraw",
                      [devnodes](udev_device *device) { devnodes->push_back(udev_device_get_devnode(device)); });
}

int CUsbKernelCalls::Open(const char *path, int flags)
{
    return ::open(path, flags);
}

int CUsbKernelCalls::Close(int fd)
{
    return ::close(fd);
}

ssize_t CUsbKernelCalls::Read(int fd, void *buffer, std::size_t length)
{
    return ::read(fd, buffer, length);
}

ssize_t CUsbKernelCalls::Write(int fd, const void *data, std::size_t length)
{
    return ::write(fd, data, length);
}

int CUsbKernelCalls::Poll(pollfd *fds, unsigned nfds, int timeoutMs)
{
    return ::poll(fds, nfds, timeoutMs);
}

int CUsbKernelCalls::RawInfo(int fd, hidraw_devinfo *info)
{
    return Ioctl(fd, HIDIOCGRAWINFO, info);
}

int CUsbKernelCalls::DescriptorSize(int fd, int *size)
{
    return Ioctl(fd, HIDIOCGRDESCSIZE, size);
}

int CUsbKernelCalls::Descriptor(int fd, uint8_t *bytes, std::size_t size)
{
    if (size > HID_MAX_DESCRIPTOR_SIZE) {
        return Fail(EINVAL);
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    if (Ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) {
        return -1;
    }
    std::memcpy(bytes, descriptor.value, size);
    return 0;
}

int CUsbKernelCalls::SetFeature(int fd, const uint8_t *report, std::size_t length)
{
    if (length >= (std::size_t(1) << _IOC_SIZEBITS)) {
        return Fail(EMSGSIZE);
    }
    return Ioctl(fd, HIDIOCSFEATURE(length), const_cast<uint8_t *>(report));
}

int CUsbKernelCalls::GetFeature(int fd, uint8_t *report, std::size_t length)
{
    // The request carries the length in its size bits.
    if (length >= (std::size_t(1) << _IOC_SIZEBITS)) {
        return Fail(EMSGSIZE);
    }
    return Ioctl(fd, HIDIOCGFEATURE(length), report);
}
