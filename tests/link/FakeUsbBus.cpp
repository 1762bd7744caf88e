#include "tests/link/FakeUsbBus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace link_test {

namespace {

std::string Hex(unsigned value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", width, value);
    return text;
}

class FakeUsbDeviceHandle final : public platform::UsbDeviceHandle {
public:
    FakeUsbDeviceHandle(FakeUsbBus &bus, std::vector<std::string> &log) : bus_(bus), log_(log) {}
    ~FakeUsbDeviceHandle() override { log_.push_back("usb close"); }

    bool ClaimInterface(int number, int * /*error*/) override
    {
        log_.push_back("usb claim " + std::to_string(number));
        return true;
    }

    bool ControlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                         uint16_t length, unsigned timeoutMs, int *transferred, int *error) override
    {
        log_.push_back("usb control " + Hex(requestType, 2) + " " + std::to_string(request) + " " + Hex(value, 4) +
                       " " + std::to_string(index) + " " + std::to_string(length) + " " + std::to_string(timeoutMs));
        *transferred = 0;
        if (bus_.controlError != 0) {
            *error = bus_.controlError;
            return false;
        }
        const std::size_t n = std::min<std::size_t>(length, bus_.controlReply.size());
        std::copy_n(bus_.controlReply.begin(), n, data);
        *transferred = static_cast<int>(n);
        return true;
    }

    bool BulkTransfer(uint8_t endpoint, uint8_t *data, int length, int *transferred, unsigned timeoutMs,
                      int *error) override
    {
        std::string entry =
            "usb bulk " + Hex(endpoint, 2) + " " + std::to_string(length) + " " + std::to_string(timeoutMs);
        log_.push_back(entry);
        if (endpoint & 0x80) {
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), bus_.bulkInData.size());
            std::copy_n(bus_.bulkInData.begin(), n, data);
            bus_.bulkInData.erase(bus_.bulkInData.begin(), bus_.bulkInData.begin() + static_cast<long>(n));
            *transferred = static_cast<int>(n);
            return n > 0 || TimedOut(error);
        }
        int moved = length;
        if (!bus_.bulkOutLimits.empty()) {
            moved = std::min(moved, bus_.bulkOutLimits.front());
            bus_.bulkOutLimits.erase(bus_.bulkOutLimits.begin());
        }
        bus_.bulkOut.insert(bus_.bulkOut.end(), data, data + moved);
        *transferred = moved;
        return moved >= length || TimedOut(error);
    }

private:
    static bool TimedOut(int *error)
    {
        *error = ETIMEDOUT;
        return false;
    }

    FakeUsbBus &bus_;
    std::vector<std::string> &log_;
};

}  // namespace

platform::UsbDeviceInfo FakeUsbBus::VendorDevice(uint16_t vendorId, uint16_t productId, uint8_t bus, uint8_t address)
{
    platform::UsbDeviceInfo info;
    info.vendorId = vendorId;
    info.productId = productId;
    info.busNumber = bus;
    info.deviceAddress = address;
    info.interfaces.push_back({0, 0xFF, {{0x02, 0x02}, {0x81, 0x02}}});
    return info;
}

bool FakeUsbBus::Devices(std::vector<platform::UsbDeviceInfo> *list, int *error)
{
    log_.push_back("usb devices");
    *list = devices;
    if (devicesError != 0) {
        *error = devicesError;
        return false;
    }
    return true;
}

std::unique_ptr<platform::UsbDeviceHandle> FakeUsbBus::Open(const platform::UsbDeviceInfo &info, int *error)
{
    log_.push_back("usb open " + std::to_string(info.busNumber) + ":" + std::to_string(info.deviceAddress));
    *error = openError;
    if (openError != 0) {
        return nullptr;
    }
    return std::make_unique<FakeUsbDeviceHandle>(*this, log_);
}

}  // namespace link_test
