#include "rollvane/link/OrnUsbStandIn.h"

#include <cerrno>
#include <cstdlib>

namespace rollvane {

namespace {

constexpr uint8_t kVendorSpecificClass = 0xFF;
constexpr uint8_t kBulkTransfer = 0x02;
constexpr uint8_t kDirectionIn = 0x80;
constexpr uint8_t kRequestTypeVendor = 0x40;

}  // namespace

bool OrnUsbStandIn::ParseIds(const std::string &text, uint16_t *vendorId, uint16_t *productId)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    auto parse = [](const std::string &part, uint16_t *value) {
        if (part.empty()) {
            return false;
        }
        char *end = nullptr;
        unsigned long number = std::strtoul(part.c_str(), &end, 16);
        if (*end != '\0' || number > 0xFFFF) {
            return false;
        }
        *value = static_cast<uint16_t>(number);
        return true;
    };
    return parse(text.substr(0, colon), vendorId) && parse(text.substr(colon + 1), productId);
}

bool OrnUsbStandIn::FindBulkPair(const platform::UsbDeviceInfo &info, bool vendorOnly, uint8_t *interfaceNumber,
                                 uint8_t *outEndpoint, uint8_t *inEndpoint)
{
    for (const auto &interface : info.interfaces) {
        if (vendorOnly && interface.interfaceClass != kVendorSpecificClass) {
            continue;
        }
        uint8_t out = 0;
        uint8_t in = 0;
        for (const auto &endpoint : interface.endpoints) {
            if ((endpoint.attributes & 0x03) != kBulkTransfer) {
                continue;
            }
            if (endpoint.address & kDirectionIn) {
                in = in ? in : endpoint.address;
            } else {
                out = out ? out : endpoint.address;
            }
        }
        if (in && out) {
            *interfaceNumber = interface.number;
            *outEndpoint = out;
            *inEndpoint = in;
            return true;
        }
    }
    return false;
}

intptr_t OrnUsbStandIn::OpenDevice(int *lastError)
{
    std::vector<platform::UsbDeviceInfo> present;
    if (int error = 0; !bus_->Devices(&present, &error)) {
        *lastError = error == ENOMEM ? ENOMEM : ENOENT;
        return 0;
    }
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    const bool byIds = entry_ && ParseIds(*entry_, &vendorId, &productId);
    for (const auto &info : present) {
        Device device;
        if (byIds) {
            if (info.vendorId != vendorId || info.productId != productId ||
                !FindBulkPair(info, false, &device.interfaceNumber, &device.outEndpoint, &device.inEndpoint)) {
                continue;
            }
        } else if (!FindBulkPair(info, true, &device.interfaceNumber, &device.outEndpoint, &device.inEndpoint)) {
            continue;
        }
        int error = 0;
        device.handle = bus_->Open(info, &error);
        if (!device.handle) {
            *lastError = error;
            return 0;
        }
        if (!device.handle->ClaimInterface(device.interfaceNumber, &error)) {
            *lastError = error;
            return 0;
        }
        device.info = info;
        const intptr_t handle = nextDevice_++;
        devices_.emplace(handle, std::move(device));
        *lastError = 0;
        return handle;
    }
    *lastError = ENOENT;
    return 0;
}

int32_t OrnUsbStandIn::OpenPipe(intptr_t device, int32_t /*interfaceIndex*/, int32_t direction, int32_t /*pipeKind*/)
{
    auto found = devices_.find(device);
    if (found == devices_.end()) {
        return -1;
    }
    Device &open = found->second;
    const uint8_t endpoint = direction == 1 ? open.outEndpoint : open.inEndpoint;
    const int32_t handle = nextPipe_++;
    pipes_.emplace(handle, PipeEntry{device, std::make_unique<UsbPipe>(*open.handle, endpoint)});
    return handle;
}

void OrnUsbStandIn::CloseDevice(intptr_t device)
{
    // Pipes of the device go with it.
    for (auto it = pipes_.begin(); it != pipes_.end();) {
        it = it->second.device == device ? pipes_.erase(it) : std::next(it);
    }
    devices_.erase(device);
}

int32_t OrnUsbStandIn::ControlRead(intptr_t device, int32_t direction, int32_t recipient, int32_t request,
                                   int32_t value, int32_t index, int32_t length, uint8_t *buffer, uint32_t *count)
{
    *count = 0;
    auto found = devices_.find(device);
    if (found == devices_.end() || length < 0) {
        return 0;
    }
    const uint8_t requestType =
        static_cast<uint8_t>((direction ? kDirectionIn : 0) | kRequestTypeVendor | (recipient & 0x1F));
    int moved = 0;
    int error = 0;
    if (!found->second.handle->ControlTransfer(requestType, static_cast<uint8_t>(request), static_cast<uint16_t>(value),
                                               static_cast<uint16_t>(index), buffer, static_cast<uint16_t>(length),
                                               kControlTimeoutMs, &moved, &error)) {
        return 0;
    }
    *count = static_cast<uint32_t>(moved);
    return 1;
}

int32_t OrnUsbStandIn::CheckReconnect(intptr_t device)
{
    auto found = devices_.find(device);
    if (found == devices_.end()) {
        return 1;
    }
    std::vector<platform::UsbDeviceInfo> present;
    if (int error = 0; !bus_->Devices(&present, &error)) {
        return 1;
    }
    const auto &info = found->second.info;
    for (const auto &candidate : present) {
        // A device that went away and came back has a new address.
        if (candidate.busNumber == info.busNumber && candidate.deviceAddress == info.deviceAddress &&
            candidate.vendorId == info.vendorId && candidate.productId == info.productId) {
            return 0;
        }
    }
    return 1;
}

platform::OverlappedDevice *OrnUsbStandIn::pipe(int32_t pipe)
{
    auto found = pipes_.find(pipe);
    return found == pipes_.end() ? nullptr : found->second.pipe.get();
}

void OrnUsbStandIn::ClosePipe(int32_t pipe)
{
    pipes_.erase(pipe);
}

}  // namespace rollvane
