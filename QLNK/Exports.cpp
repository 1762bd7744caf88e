// The six exported functions: plain C entry points into the application object.
#include "CQLNKApp.h"

#include "CLastError.h"

#include <cerrno>

namespace {

// The library throws nothing itself, but the standard library may run out of memory; that
// must not cross into a C caller.
template <typename Call>
int32_t Guarded(int32_t *status, Call call) noexcept
{
    try {
        return call();
    } catch (...) {
        CLastError::Store(ENOMEM);
        if (status != nullptr) {
            *status = QLNK_E_SYSTEM;
        }
        return 0;
    }
}

}  // namespace

extern "C" {

QLNK_API int32_t QLNK_Open(QLNK_CommContext *context, int32_t *status)
{
    return Guarded(status, [&] { return CQLNKApp::instance().Open(context, status); });
}

QLNK_API int32_t QLNK_SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                               uint32_t timeoutMs, int32_t *status)
{
    return Guarded(
        status, [&] { return CQLNKApp::instance().SendData(handle, data, length, sent, portType, timeoutMs, status); });
}

QLNK_API int32_t QLNK_RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received,
                               uint32_t portType, uint32_t timeoutMs, int32_t *status)
{
    return Guarded(status, [&] {
        return CQLNKApp::instance().RecvData(handle, buffer, capacity, received, portType, timeoutMs, status);
    });
}

QLNK_API int32_t QLNK_CloseComm(int32_t *handle, uint32_t portType, int32_t *status)
{
    return Guarded(status, [&] { return CQLNKApp::instance().CloseComm(handle, portType, status); });
}

QLNK_API int32_t QLNK_FTPPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                                 uint32_t address, const wchar_t *localPath, const wchar_t *remoteName, int32_t *status)
{
    return Guarded(status, [&] {
        return CQLNKApp::instance().FtpPutFile(clientName, user, password, port, address, localPath, remoteName,
                                               status);
    });
}

QLNK_API int32_t QLNK_GetLastError(int32_t *value)
{
    return CQLNKApp::instance().GetLastError(value);
}

}  // extern "C"
