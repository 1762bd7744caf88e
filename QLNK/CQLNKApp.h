#pragma once

// The library's one error convention. Every operation, down to each transport's, returns a
// QLNK_ result code (QLNK_OK or a QLNK_E_ code) and never throws for a failure. Every failure
// path stores its errno (libcurl's code for FTP) in CLastError before it returns; device opens
// store theirs whatever the result, 0 when they worked. Only the argument checks made here,
// which have no errno, store nothing. The exported calls alone turn the code into their 1/0
// return value plus the caller's status (Finish in CQLNKApp.cpp).

#include <qlnk.h>

#include "CCallTrace.h"
#include "CCurlLibrary.h"

#include <cstdint>

// The library's application object: set up once when the library is loaded, it makes the
// checks every exported call shares and hands the call to the transport of its port type
// (CTransport).
class CQLNKApp {
public:
    static CQLNKApp &instance();

    int32_t Open(QLNK_CommContext *context, int32_t *status);
    int32_t SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                     uint32_t timeoutMs, int32_t *status);
    int32_t RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t portType,
                     uint32_t timeoutMs, int32_t *status);
    int32_t CloseComm(int32_t *handle, uint32_t portType, int32_t *status);
    int32_t FtpPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                       uint32_t address, const wchar_t *localPath, const wchar_t *remoteName, int32_t *status);
    int32_t GetLastError(int32_t *value);

    CQLNKApp(const CQLNKApp &) = delete;
    CQLNKApp &operator=(const CQLNKApp &) = delete;

private:
    CQLNKApp();
    ~CQLNKApp();

    CCallTrace trace_;
    CCurlLibrary curl_;
};
