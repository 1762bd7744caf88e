#include "CTransport.h"

#include "transports/CEthernetComm.h"
#include "transports/CParallelComm.h"
#include "transports/CSerialComm.h"
#include "transports/CUSBComm.h"

namespace {

using C = QLNK_CommContext;

// One record per port type.
// clang-format off
constexpr CTransport kTransports[] = {
    {QLNK_PORT_USB_PRINTER,     "USB_PRINTER",     false, &C::usbHandle,
     CUSBComm::OpenPrinter,     CUSBComm::SendPrinter, CUSBComm::ReceivePrinter, CUSBComm::Close, CUSBComm::Describe},
    {QLNK_PORT_USB_HID_OUTPUT,  "USB_HID_OUTPUT",  false, &C::usbHandle,
     CUSBComm::OpenHid,         CUSBComm::SendOutputReport,  nullptr,                       CUSBComm::Close, CUSBComm::Describe},
    {QLNK_PORT_USB_HID_FEATURE, "USB_HID_FEATURE", false, &C::usbHandle,
     CUSBComm::OpenHid,         CUSBComm::SendFeatureReport, CUSBComm::ReceiveFeatureReport, CUSBComm::Close, CUSBComm::Describe},
    {QLNK_PORT_SERIAL,          "SERIAL",          false, &C::serialHandle,
     CSerialComm::Open,         CSerialComm::Send,   CSerialComm::Receive,   CSerialComm::Close,   CSerialComm::Describe},
    {QLNK_PORT_PARALLEL,        "PARALLEL",        false, &C::parallelHandle,
     CParallelComm::Open,       CParallelComm::Send, CParallelComm::Receive, CParallelComm::Close, CParallelComm::Describe},
    {QLNK_PORT_TCP_RAW,         "TCP_RAW",         true,  &C::netSocket,
     CEthernetComm::OpenTcp,    CEthernetComm::SendTcp,    CEthernetComm::ReceiveTcp, CEthernetComm::Close, CEthernetComm::Describe},
    {QLNK_PORT_UDP_RAW,         "UDP_RAW",         true,  &C::netSocket,
     CEthernetComm::OpenUdp,    CEthernetComm::SendUdp,    CEthernetComm::ReceiveUdp, CEthernetComm::Close, CEthernetComm::Describe},
    // A raw TCP connection carrying one LPR job per send; LPR has no receive.
    {QLNK_PORT_TCP_LPR,         "TCP_LPR",         true,  &C::netSocket,
     CEthernetComm::OpenTcp,    CEthernetComm::SendLprJob, nullptr,                   CEthernetComm::Close, CEthernetComm::Describe},
};
// clang-format on

}  // namespace

const CTransport *CTransport::Find(uint32_t portType)
{
    for (const CTransport &transport : kTransports) {
        if (transport.portType == portType) {
            return &transport;
        }
    }
    return nullptr;
}
