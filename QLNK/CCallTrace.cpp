#include "CCallTrace.h"

#include "CLastError.h"
#include "CTransport.h"

#include "transports/CEthernetComm.h"
#include "transports/CWideText.h"

#include "platform/SystemError.h"

#include "CCurlLibrary.h"
#include <cstdio>
#include <string>

namespace {

std::string ResultName(int32_t result)
{
    switch (result) {
    case QLNK_OK:
        return "QLNK_OK";
    case QLNK_E_OPEN:
        return "QLNK_E_OPEN";
    case QLNK_E_SOCKET:
        return "QLNK_E_SOCKET";
    case QLNK_E_PARAM:
        return "QLNK_E_PARAM";
    case QLNK_E_PAR_NIBBLE:
        return "QLNK_E_PAR_NIBBLE";
    case QLNK_E_PAR_BYTE:
        return "QLNK_E_PAR_BYTE";
    case QLNK_E_PAR_ECP:
        return "QLNK_E_PAR_ECP";
    case QLNK_E_NO_MATCH:
        return "QLNK_E_NO_MATCH";
    case QLNK_E_NO_DEVICE:
        return "QLNK_E_NO_DEVICE";
    case QLNK_E_TIMEOUT:
        return "QLNK_E_TIMEOUT";
    case QLNK_E_SYSTEM:
        return "QLNK_E_SYSTEM";
    default:
        return std::to_string(result);
    }
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string TypeName(const CTransport *transport, uint32_t portType)
{
    return transport != nullptr ? transport->name : Hex(portType);
}

std::string HandleText(const int32_t *handle)
{
    return handle != nullptr ? "handle " + std::to_string(*handle) : "no handle";
}

// The result, and for a failure of the transport the errno it recorded: "QLNK_E_TIMEOUT
// (Connection refused)". Another thread's failure recorded in between may show instead.
std::string Outcome(bool reached, int32_t result)
{
    std::string text = ResultName(result);
    const int32_t error = CLastError::value();
    if (reached && result != QLNK_OK && error != 0 && error != QLNK_NO_ERROR_RECORDED) {
        text += " (" + platform::SystemError::Text(error) + ")";
    }
    return text;
}

}  // namespace

CCallTrace::CCallTrace() : log_("qlnk") {}

void CCallTrace::EnableFromEnvironment()
{
    log_.EnableFromEnvironment("QLNK_TRACE");
}

void CCallTrace::LogOpen(const CTransport *transport, const QLNK_CommContext *context, bool reached, int32_t result)
{
    if (context == nullptr) {
        log_.Write("QLNK_Open no record -> " + ResultName(result));
        return;
    }
    std::string line = "QLNK_Open " + TypeName(transport, context->portType);
    if (transport == nullptr) {
        log_.Write(line + " -> " + ResultName(result));
        return;
    }
    line += " " + transport->Describe(*context) + " -> " + Outcome(reached, result);
    log_.Write(line + ", handle " + std::to_string(context->*transport->handleField));
}

void CCallTrace::LogSend(const CTransport *transport, uint32_t portType, const int32_t *handle, const uint8_t *data,
                         uint32_t length, uint32_t sent, bool reached, int32_t result)
{
    log_.Write("QLNK_SendData " + TypeName(transport, portType) + " " + HandleText(handle) + ", " +
               platform::TraceLog::Block(data, length) + " -> " + Outcome(reached, result) + ", " +
               std::to_string(sent) + " sent");
}

void CCallTrace::LogReceive(const CTransport *transport, uint32_t portType, const int32_t *handle,
                            const uint8_t *buffer, uint32_t capacity, uint32_t received, bool reached, int32_t result)
{
    log_.Write("QLNK_RecvData " + TypeName(transport, portType) + " " + HandleText(handle) + ", room for " +
               std::to_string(capacity) + " -> " + Outcome(reached, result) + ", " +
               platform::TraceLog::Block(buffer, received));
}

void CCallTrace::LogClose(const CTransport *transport, uint32_t portType, const int32_t *handle, bool reached,
                          int32_t result)
{
    log_.Write("QLNK_CloseComm " + TypeName(transport, portType) + " " + HandleText(handle) + " -> " +
               Outcome(reached, result));
}

void CCallTrace::LogFtpPutFile(uint32_t address, int32_t port, const wchar_t *localPath, const wchar_t *remoteName,
                               int32_t result, const CCurlLibrary &curl)
{
    std::string line = "QLNK_FTPPutFile " + CWideText::ToUtf8(localPath) + " to " +
                       CEthernetComm::AddressText(address, static_cast<uint32_t>(port)) + " \"" +
                       CWideText::ToUtf8(remoteName) + "\" -> " + ResultName(result);
    // The last error of an upload is libcurl's result code; a refused argument records none.
    if (result != QLNK_OK && result != QLNK_E_PARAM) {
        const int32_t code = CLastError::value();
        const char *text = curl.ErrorText(static_cast<CURLcode>(code));
        line +=
            " (libcurl " + std::to_string(code) + (text != nullptr ? std::string(": ") + text : std::string()) + ")";
    }
    log_.Write(line);
}

void CCallTrace::LogGetLastError(const int32_t *value)
{
    log_.Write(value != nullptr ? "QLNK_GetLastError -> " + std::to_string(*value) : "QLNK_GetLastError no place");
}
