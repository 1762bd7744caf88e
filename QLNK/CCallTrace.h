#pragma once

#include <qlnk.h>

#include "platform/TraceLog.h"

#include <cstdint>

struct CTransport;

// The opt-in trace of the exported calls: with QLNK_TRACE=1 one line per call goes to standard
// error, with QLNK_TRACE=FILE it is appended to FILE. Callers test on() before anything else,
// so a trace that is off costs one branch per call. Each Log method takes what the call was
// given and what it gave back; transport is null for a port type the library does not know,
// and reached says whether the call got as far as its transport (only then is the last error
// its own and worth showing).
class CCurlLibrary;

class CCallTrace {
public:
    CCallTrace();

    // Reads QLNK_TRACE; called once, when the library is loaded.
    void EnableFromEnvironment();
    bool on() const { return log_.on(); }

    void LogOpen(const CTransport *transport, const QLNK_CommContext *context, bool reached, int32_t result);
    void LogSend(const CTransport *transport, uint32_t portType, const int32_t *handle, const uint8_t *data,
                 uint32_t length, uint32_t sent, bool reached, int32_t result);
    void LogReceive(const CTransport *transport, uint32_t portType, const int32_t *handle, const uint8_t *buffer,
                    uint32_t capacity, uint32_t received, bool reached, int32_t result);
    // handle is the value before the close (null when the caller gave no handle).
    void LogClose(const CTransport *transport, uint32_t portType, const int32_t *handle, bool reached, int32_t result);
    void LogFtpPutFile(uint32_t address, int32_t port, const wchar_t *localPath, const wchar_t *remoteName,
                       int32_t result, const CCurlLibrary &curl);
    void LogGetLastError(const int32_t *value);

private:
    platform::TraceLog log_;
};
