// A stand-in for libqlnk that records the arguments of every call (see RecordingQlnk.h).
#include "tests/link/RecordingQlnk.h"

#include <qlnk.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

link_test::RecordingQlnkState state;
int32_t lastError = QLNK_NO_ERROR_RECORDED;

std::string TypeName(uint32_t portType)
{
    switch (portType) {
    case QLNK_PORT_TCP_RAW:
        return "TCP_RAW";
    case QLNK_PORT_UDP_RAW:
        return "UDP_RAW";
    default:
        char text[16];
        std::snprintf(text, sizeof text, "0x%04X", portType);
        return text;
    }
}

std::string Hex(const uint8_t *data, uint32_t length)
{
    std::string text;
    char byte[4];
    for (uint32_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, " %02X", data[i]);
        text += byte;
    }
    return text;
}

void Called(const char *function, const std::string &line)
{
    if (state.onCall) {
        state.onCall(function);
    }
    state.calls.push_back(function + line);
}

int32_t Done(int32_t *status, int32_t code)
{
    if (status) {
        *status = code;
    }
    return code == QLNK_OK ? 1 : 0;
}

}  // namespace

extern "C" {

QLNK_API link_test::RecordingQlnkState *RecordingQlnk_State()
{
    return &state;
}

QLNK_API int32_t QLNK_Open(QLNK_CommContext *context, int32_t *status)
{
    Called("Open", " " + TypeName(context->portType) + " connect " + std::to_string(context->netTimeout));
    context->netSocket = context->portType == QLNK_PORT_TCP_RAW ? 7 : 8;
    return Done(status, QLNK_OK);
}

QLNK_API int32_t QLNK_SendData(int32_t * /*handle*/, const uint8_t *data, uint32_t length, uint32_t *sent,
                               uint32_t portType, uint32_t timeoutMs, int32_t *status)
{
    Called("SendData", " " + TypeName(portType) + Hex(data, length) + " timeout " + std::to_string(timeoutMs));
    if (sent) {
        *sent = length;
    }
    return Done(status, QLNK_OK);
}

QLNK_API int32_t QLNK_RecvData(int32_t * /*handle*/, uint8_t *buffer, uint32_t capacity, uint32_t *received,
                               uint32_t portType, uint32_t timeoutMs, int32_t *status)
{
    Called("RecvData", " " + TypeName(portType) + " capacity " + std::to_string(capacity) + " timeout " +
                           std::to_string(timeoutMs));
    const auto &reply = portType == QLNK_PORT_UDP_RAW ? state.statusReply : state.dataReply;
    // A look without waiting (the link discarding unread bytes) finds nothing waiting.
    const uint32_t count = timeoutMs == 0 ? 0 : std::min<uint32_t>(capacity, static_cast<uint32_t>(reply.size()));
    std::memcpy(buffer, reply.data(), count);
    if (received) {
        *received = count;
    }
    lastError = count > 0 ? QLNK_NO_ERROR_RECORDED : ETIMEDOUT;
    return Done(status, count > 0 ? QLNK_OK : QLNK_E_TIMEOUT);
}

QLNK_API int32_t QLNK_CloseComm(int32_t *handle, uint32_t portType, int32_t *status)
{
    Called("CloseComm", " " + TypeName(portType));
    *handle = -1;
    return Done(status, QLNK_OK);
}

QLNK_API int32_t QLNK_FTPPutFile(const wchar_t *, const wchar_t *, const wchar_t *, int32_t, uint32_t, const wchar_t *,
                                 const wchar_t *, int32_t *status)
{
    Called("FTPPutFile", "");
    return Done(status, QLNK_E_SYSTEM);
}

QLNK_API int32_t QLNK_GetLastError(int32_t *value)
{
    if (value) {
        *value = lastError;
        lastError = QLNK_NO_ERROR_RECORDED;
    }
    return 1;
}

}  // extern "C"
