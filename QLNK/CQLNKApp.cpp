#include "CQLNKApp.h"

#include "CLastError.h"

#include "transports/CEthernetComm.h"
#include "transports/CParallelComm.h"
#include "transports/CPpdevKernelCalls.h"
#include "transports/CSerialComm.h"
#include "transports/CSerialPortTable.h"
#include "transports/CUdpDestinations.h"

#include <cerrno>
#include <curl/curl.h>
#include <new>
#include <unistd.h>

namespace {

// Built when the library is loaded. Linux has no socket layer to start, and the process's
// SIGPIPE disposition is left alone: every socket send passes MSG_NOSIGNAL instead. What is
// set up here is libcurl's global state, which must exist before the first FTP upload and is
// not safe to create lazily while other threads may be using libcurl.
[[maybe_unused]] const CQLNKApp &loadedApp = CQLNKApp::instance();

// Never destroyed (it holds nothing): a caller's exit handler may still close a parallel port
// after the library's own objects are gone.
CPpdevKernelCalls &kernelPpdev()
{
    alignas(CPpdevKernelCalls) static unsigned char storage[sizeof(CPpdevKernelCalls)];
    static CPpdevKernelCalls *calls = new (storage) CPpdevKernelCalls;
    return *calls;
}

// The USB transports are not built yet: their device search finds nothing.
int32_t UsbDeviceMissing()
{
    CLastError::Store(ENODEV);
    return QLNK_E_OPEN;
}

// No USB handle can have come from this library yet: whatever the field holds (0 in a zeroed
// context whose search failed) belongs to someone else and is neither used nor closed.
int32_t UsbHandleUnknown()
{
    CLastError::Store(ENODEV);
    return QLNK_E_SYSTEM;
}

// Closes a serial handle (or whatever descriptor comes with that port type); -1 goes into the
// caller's field only on success.
int32_t CloseDevice(int32_t *handle)
{
    if (CSerialPortTable::Close(*handle)) {
        *handle = -1;
        return QLNK_OK;
    }
    CUdpDestinations::Drop(*handle);
    if (::close(*handle) != 0) {
        CLastError::Store(errno);
        return QLNK_E_SYSTEM;
    }
    *handle = -1;
    return QLNK_OK;
}

int32_t Finish(int32_t result, int32_t *status)
{
    if (status != nullptr) {
        *status = result;
    }
    return result == QLNK_OK ? 1 : 0;
}

}  // namespace

CQLNKApp &CQLNKApp::instance()
{
    static CQLNKApp app;
    return app;
}

CQLNKApp::CQLNKApp() : parallelCalls_(&kernelPpdev())
{
    curlReady_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

CQLNKApp::~CQLNKApp()
{
    if (curlReady_) {
        curl_global_cleanup();
    }
}

void CQLNKApp::SetParallelCalls(CPpdevCalls *calls)
{
    parallelCalls_.store(calls != nullptr ? calls : &kernelPpdev());
}

int32_t CQLNKApp::Open(QLNK_CommContext *context, int32_t *status)
{
    if (status != nullptr) {
        *status = QLNK_OK;
    }
    if (context == nullptr) {
        return Finish(QLNK_E_PARAM, status);
    }
    int32_t result = QLNK_E_PARAM;
    switch (context->portType) {
    case QLNK_PORT_USB_PRINTER:
        result = UsbDeviceMissing();
        break;
    case QLNK_PORT_USB_HID_OUTPUT:
    case QLNK_PORT_USB_HID_FEATURE:
        // The HID search clears the handle before it looks.
        context->usbHandle = -1;
        result = UsbDeviceMissing();
        break;
    case QLNK_PORT_SERIAL:
        result = CSerialComm().Open(*context);
        break;
    case QLNK_PORT_PARALLEL:
        result = CParallelComm(parallelCalls()).Open(*context);
        break;
    case QLNK_PORT_TCP_RAW:
    case QLNK_PORT_TCP_LPR:
        result = CEthernetComm().OpenTcp(*context);
        break;
    case QLNK_PORT_UDP_RAW:
        result = CEthernetComm().OpenUdp(*context);
        break;
    default:
        break;
    }
    return Finish(result, status);
}

int32_t CQLNKApp::SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                           uint32_t timeoutMs, int32_t *status)
{
    // The send paths never write through the buffer; one dispatch serves both directions.
    return Finish(SendOrReceive(true, handle, const_cast<uint8_t *>(data), length, sent, portType, timeoutMs, status),
                  status);
}

int32_t CQLNKApp::RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                           uint32_t timeoutMs, int32_t *status)
{
    return Finish(SendOrReceive(false, handle, buffer, capacity, received, portType, timeoutMs, status), status);
}

int32_t CQLNKApp::SendOrReceive(bool send, int32_t *handle, uint8_t *buffer, uint32_t length, uint32_t *count,
                                uint32_t portType, uint32_t timeoutMs, int32_t *status)
{
    if (status != nullptr) {
        *status = QLNK_OK;
    }
    uint32_t ignored = 0;
    if (count == nullptr) {
        count = &ignored;
    }
    *count = 0;
    if (handle == nullptr || (buffer == nullptr && length != 0)) {
        return QLNK_E_PARAM;
    }
    const int fd = *handle;
    switch (portType) {
    case QLNK_PORT_USB_HID_OUTPUT:
        if (!send) {
            return QLNK_E_PARAM;
        }
        [[fallthrough]];
    case QLNK_PORT_USB_PRINTER:
    case QLNK_PORT_USB_HID_FEATURE:
        return fd == -1 ? QLNK_E_OPEN : UsbHandleUnknown();
    case QLNK_PORT_SERIAL:
        if (fd == -1) {
            return QLNK_E_OPEN;
        }
        return send ? CSerialComm().Send(fd, buffer, length, count, timeoutMs)
                    : CSerialComm().Receive(fd, buffer, length, count, timeoutMs);
    case QLNK_PORT_PARALLEL:
        if (fd == -1) {
            return QLNK_E_OPEN;
        }
        return send ? CParallelComm(parallelCalls()).Send(fd, buffer, length, count, timeoutMs)
                    : CParallelComm(parallelCalls()).Receive(fd, buffer, length, count, timeoutMs);
    case QLNK_PORT_TCP_RAW:
        if (fd == -1) {
            return QLNK_E_SOCKET;
        }
        return send ? CEthernetComm().SendTcp(fd, buffer, length, count, timeoutMs)
                    : CEthernetComm().ReceiveTcp(fd, buffer, length, count, timeoutMs);
    case QLNK_PORT_UDP_RAW:
        if (fd == -1) {
            return QLNK_E_SOCKET;
        }
        return send ? CEthernetComm().SendUdp(fd, buffer, length, count, timeoutMs)
                    : CEthernetComm().ReceiveUdp(fd, buffer, length, count, timeoutMs);
    case QLNK_PORT_TCP_LPR:
        if (!send) {
            return QLNK_E_PARAM;
        }
        if (fd == -1) {
            return QLNK_E_SOCKET;
        }
        return CEthernetComm().SendLprJob(fd, buffer, length, count, timeoutMs);
    default:
        return QLNK_E_PARAM;
    }
}

int32_t CQLNKApp::CloseComm(int32_t *handle, uint32_t portType, int32_t *status)
{
    if (status != nullptr) {
        *status = QLNK_OK;
    }
    if (handle == nullptr) {
        return Finish(QLNK_E_PARAM, status);
    }
    switch (portType) {
    case QLNK_PORT_TCP_RAW:
    case QLNK_PORT_UDP_RAW:
    case QLNK_PORT_TCP_LPR:
        return Finish(*handle == -1 ? QLNK_E_SOCKET : CEthernetComm().Close(handle), status);
    case QLNK_PORT_USB_PRINTER:
    case QLNK_PORT_USB_HID_OUTPUT:
    case QLNK_PORT_USB_HID_FEATURE:
        return Finish(*handle == -1 ? QLNK_E_OPEN : UsbHandleUnknown(), status);
    case QLNK_PORT_SERIAL:
        return Finish(*handle == -1 ? QLNK_E_OPEN : CloseDevice(handle), status);
    case QLNK_PORT_PARALLEL:
        return Finish(*handle == -1 ? QLNK_E_OPEN : CParallelComm(parallelCalls()).Close(handle), status);
    default:
        return Finish(QLNK_E_PARAM, status);
    }
}

int32_t CQLNKApp::FtpPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                             uint32_t address, const wchar_t *localPath, const wchar_t *remoteName, int32_t *status)
{
    if (status != nullptr) {
        *status = QLNK_OK;
    }
    return Finish(
        CEthernetComm().FtpPutFile(curlReady_, clientName, user, password, port, address, localPath, remoteName),
        status);
}

int32_t CQLNKApp::GetLastError(int32_t *value)
{
    if (value != nullptr) {
        *value = CLastError::Take();
    }
    return 1;
}
