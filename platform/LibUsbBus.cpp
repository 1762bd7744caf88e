#include "platform/LibUsbBus.h"

#include "platform/LibUsbDeviceHandle.h"

#include <cerrno>
#include <libusb.h>

namespace platform {

namespace {

struct DeviceListDeleter {
    void operator()(libusb_device **list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device *, DeviceListDeleter>;

struct ConfigDeleter {
    void operator()(libusb_config_descriptor *config) const { libusb_free_config_descriptor(config); }
};

}  // namespace

LibUsbBus::~LibUsbBus()
{
    if (context_) {
        libusb_exit(context_);
    }
}

int LibUsbBus::ErrnoFor(int libusbError)
{
    switch (libusbError) {
    case LIBUSB_SUCCESS:
        return 0;
    case LIBUSB_ERROR_IO:
        return EIO;
    case LIBUSB_ERROR_INVALID_PARAM:
        return EINVAL;
    case LIBUSB_ERROR_ACCESS:
        return EACCES;
    case LIBUSB_ERROR_NO_DEVICE:
        return ENODEV;
    case LIBUSB_ERROR_NOT_FOUND:
        return ENOENT;
    case LIBUSB_ERROR_BUSY:
        return EBUSY;
    case LIBUSB_ERROR_TIMEOUT:
        return ETIMEDOUT;
    case LIBUSB_ERROR_OVERFLOW:
        return EOVERFLOW;
    case LIBUSB_ERROR_PIPE:
        return EPIPE;
    case LIBUSB_ERROR_INTERRUPTED:
        return EINTR;
    case LIBUSB_ERROR_NO_MEM:
        return ENOMEM;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return ENOTSUP;
    default:
        return EIO;
    }
}

bool LibUsbBus::Context(libusb_context **context, int *error)
{
    if (!context_) {
        int result = libusb_init(&context_);
        if (result != 0) {
            context_ = nullptr;
            *error = ErrnoFor(result);
            return false;
        }
    }
    *context = context_;
    return true;
}

bool LibUsbBus::Devices(std::vector<UsbDeviceInfo> *devices, int *error)
{
    devices->clear();
    libusb_context *context = nullptr;
    if (!Context(&context, error)) {
        return false;
    }
    libusb_device **raw = nullptr;
    ssize_t count = libusb_get_device_list(context, &raw);
    if (count < 0) {
        *error = ErrnoFor(static_cast<int>(count));
        return false;
    }
    DeviceList list(raw);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device *device = raw[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != 0) {
            continue;
        }
        UsbDeviceInfo info;
        info.vendorId = descriptor.idVendor;
        info.productId = descriptor.idProduct;
        info.busNumber = libusb_get_bus_number(device);
        info.deviceAddress = libusb_get_device_address(device);
        libusb_config_descriptor *rawConfig = nullptr;
        if (libusb_get_active_config_descriptor(device, &rawConfig) == 0) {
            std::unique_ptr<libusb_config_descriptor, ConfigDeleter> config(rawConfig);
            for (int n = 0; n < config->bNumInterfaces; ++n) {
                const libusb_interface &interface = config->interface[n];
                if (interface.num_altsetting < 1) {
                    continue;
                }
                const libusb_interface_descriptor &setting = interface.altsetting[0];
                UsbInterfaceInfo entry;
                entry.number = setting.bInterfaceNumber;
                entry.interfaceClass = setting.bInterfaceClass;
                for (int e = 0; e < setting.bNumEndpoints; ++e) {
                    entry.endpoints.push_back({setting.endpoint[e].bEndpointAddress, setting.endpoint[e].bmAttributes});
                }
                info.interfaces.push_back(std::move(entry));
            }
        }
        devices->push_back(std::move(info));
    }
    return true;
}

std::unique_ptr<UsbDeviceHandle> LibUsbBus::Open(const UsbDeviceInfo &info, int *error)
{
    libusb_context *context = nullptr;
    if (!Context(&context, error)) {
        return nullptr;
    }
    libusb_device **raw = nullptr;
    ssize_t count = libusb_get_device_list(context, &raw);
    if (count < 0) {
        *error = ErrnoFor(static_cast<int>(count));
        return nullptr;
    }
    DeviceList list(raw);
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(raw[i]) == info.busNumber &&
            libusb_get_device_address(raw[i]) == info.deviceAddress) {
            libusb_device_handle *handle = nullptr;
            int result = libusb_open(raw[i], &handle);
            if (result != 0) {
                *error = ErrnoFor(result);
                return nullptr;
            }
            *error = 0;
            return std::make_unique<LibUsbDeviceHandle>(handle);
        }
    }
    *error = ENODEV;
    return nullptr;
}

}  // namespace platform
