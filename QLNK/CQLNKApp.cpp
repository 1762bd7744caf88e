#include "CQLNKApp.h"

#include "CLastError.h"
#include "CTransport.h"

#include "transports/CEthernetComm.h"

namespace {

// Built when the library is loaded. Linux has no socket layer to start, and the process's
// SIGPIPE disposition is left alone: every socket send passes MSG_NOSIGNAL instead. libcurl
// is loaded by the first FTP upload.
[[maybe_unused]] const CQLNKApp &loadedApp = CQLNKApp::instance();

// Every call writes QLNK_OK to the status first and its result last.
void Begin(int32_t *status)
{
    if (status != nullptr) {
        *status = QLNK_OK;
    }
}

int32_t Finish(int32_t result, int32_t *status)
{
    if (status != nullptr) {
        *status = result;
    }
    return result == QLNK_OK ? 1 : 0;
}

// The checks a send, receive or close makes before its transport sees it: a missing handle or
// buffer, an unknown port type and an operation the type does not have are QLNK_E_PARAM; a
// handle of -1 is a port not open.
int32_t CheckHandle(const CTransport *transport, bool hasOperation, const int32_t *handle, bool bufferGiven)
{
    if (handle == nullptr || !bufferGiven || transport == nullptr || !hasOperation) {
        return QLNK_E_PARAM;
    }
    if (*handle == -1) {
        return transport->network ? QLNK_E_SOCKET : QLNK_E_OPEN;
    }
    return QLNK_OK;
}

}  // namespace

CQLNKApp &CQLNKApp::instance()
{
    static CQLNKApp app;
    return app;
}

CQLNKApp::CQLNKApp()
{
    // The one reading of QLNK_TRACE, when the library is loaded.
    trace_.EnableFromEnvironment();
}

CQLNKApp::~CQLNKApp() = default;

int32_t CQLNKApp::Open(QLNK_CommContext *context, int32_t *status)
{
    Begin(status);
    const CTransport *transport = context != nullptr ? CTransport::Find(context->portType) : nullptr;
    // An unknown type opens and clears nothing.
    const int32_t result = transport != nullptr ? transport->Open(*context) : QLNK_E_PARAM;
    if (trace_.on()) {
        trace_.LogOpen(transport, context, transport != nullptr, result);
    }
    return Finish(result, status);
}

int32_t CQLNKApp::SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                           uint32_t timeoutMs, int32_t *status)
{
    Begin(status);
    uint32_t ignored = 0;
    uint32_t *count = sent != nullptr ? sent : &ignored;
    *count = 0;
    const CTransport *transport = CTransport::Find(portType);
    int32_t result = CheckHandle(transport, true, handle, data != nullptr || length == 0);
    const bool reached = result == QLNK_OK;
    if (reached) {
        result = transport->Send(*handle, data, length, count, timeoutMs);
    }
    if (trace_.on()) {
        trace_.LogSend(transport, portType, handle, data, length, *count, reached, result);
    }
    return Finish(result, status);
}

int32_t CQLNKApp::RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                           uint32_t timeoutMs, int32_t *status)
{
    Begin(status);
    uint32_t ignored = 0;
    uint32_t *count = received != nullptr ? received : &ignored;
    *count = 0;
    const CTransport *transport = CTransport::Find(portType);
    int32_t result = CheckHandle(transport, transport != nullptr && transport->Receive != nullptr, handle,
                                 buffer != nullptr || capacity == 0);
    const bool reached = result == QLNK_OK;
    if (reached) {
        result = transport->Receive(*handle, buffer, capacity, count, timeoutMs);
    }
    if (trace_.on()) {
        trace_.LogReceive(transport, portType, handle, buffer, capacity, *count, reached, result);
    }
    return Finish(result, status);
}

int32_t CQLNKApp::CloseComm(int32_t *handle, uint32_t portType, int32_t *status)
{
    Begin(status);
    const CTransport *transport = CTransport::Find(portType);
    int32_t result = CheckHandle(transport, true, handle, true);
    const bool reached = result == QLNK_OK;
    // The trace names the handle that was closed, not the -1 left in its place.
    const int32_t closing = handle != nullptr ? *handle : -1;
    if (reached) {
        result = transport->Close(handle);
    }
    if (trace_.on()) {
        trace_.LogClose(transport, portType, handle != nullptr ? &closing : nullptr, reached, result);
    }
    return Finish(result, status);
}

int32_t CQLNKApp::FtpPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                             uint32_t address, const wchar_t *localPath, const wchar_t *remoteName, int32_t *status)
{
    Begin(status);
    const int32_t result =
        CEthernetComm::FtpPutFile(curl_, clientName, user, password, port, address, localPath, remoteName);
    if (trace_.on()) {
        trace_.LogFtpPutFile(address, port, localPath, remoteName, result, curl_);
    }
    return Finish(result, status);
}

int32_t CQLNKApp::GetLastError(int32_t *value)
{
    if (value != nullptr) {
        *value = CLastError::Take();
    }
    if (trace_.on()) {
        trace_.LogGetLastError(value);
    }
    return 1;
}
