#include "transports/CUsbStandIn.h"

#include "CLastError.h"

#include <cerrno>
#include <cstdio>

namespace {

int32_t DeviceMissing()
{
    CLastError::Store(ENODEV);
    return QLNK_E_OPEN;
}

int32_t HandleUnknown()
{
    CLastError::Store(ENODEV);
    return QLNK_E_SYSTEM;
}

}  // namespace

int32_t CUsbStandIn::OpenPrinter(QLNK_CommContext &)
{
    return DeviceMissing();
}

int32_t CUsbStandIn::OpenHid(QLNK_CommContext &context)
{
    context.usbHandle = -1;
    return DeviceMissing();
}

int32_t CUsbStandIn::Send(int, const uint8_t *, uint32_t, uint32_t *, uint32_t)
{
    return HandleUnknown();
}

int32_t CUsbStandIn::Receive(int, uint8_t *, uint32_t, uint32_t *, uint32_t)
{
    return HandleUnknown();
}

int32_t CUsbStandIn::Close(int32_t *)
{
    return HandleUnknown();
}

std::string CUsbStandIn::Describe(const QLNK_CommContext &context)
{
    char text[48];
    std::snprintf(text, sizeof text, "vendor %04X product %04X", context.usbVendorId & 0xFFFF,
                  context.usbProductId & 0xFFFF);
    return text;
}
