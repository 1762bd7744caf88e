#pragma once

#include <qlnk.h>

#include <cstdint>
#include <string>
#include <sys/uio.h>

// The network transport over non-blocking IPv4 sockets and poll: raw TCP, raw UDP, one LPR
// job per send, and the FTP upload. Every wait is bounded by the call's time-out and nothing
// is left pending that could touch a caller's buffer later.
class CCurlLibrary;

class CEthernetComm {
public:
    // The LPR names this library sends under.
    static constexpr const char *kLprQueue = "lp1";
    static constexpr const char *kLprHost = "rollvan";
    static constexpr const char *kLprUser = "qlnk1";
    static constexpr unsigned kLprJobNumber = 356;

    static int32_t OpenTcp(QLNK_CommContext &context);
    static int32_t OpenUdp(QLNK_CommContext &context);
    static int32_t SendTcp(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t SendUdp(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    static int32_t ReceiveTcp(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    static int32_t ReceiveUdp(int fd, uint8_t *buffer, uint32_t capacity, uint32_t *received, uint32_t timeoutMs);
    // One RFC 1179 "receive a printer job" carrying the data; *sent is the count of the data
    // step (the trailing zero octet included).
    static int32_t SendLprJob(int fd, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t timeoutMs);
    // Shuts the socket down and closes it; -1 goes into the handle on success.
    static int32_t Close(int32_t *handle);

    // curl: libcurl, loaded here at the first upload.
    static int32_t FtpPutFile(CCurlLibrary &curl, const wchar_t *clientName, const wchar_t *user,
                              const wchar_t *password, int32_t port, uint32_t address, const wchar_t *localPath,
                              const wchar_t *remoteName);

    // "127.0.0.1:9100": netAddress and netPort, for the trace.
    static std::string Describe(const QLNK_CommContext &context);
    // A dotted IPv4 address (first octet most significant) and the low 16 bits of port.
    static std::string AddressText(uint32_t address, uint32_t port);

    // The LPR control file as sent, without its trailing zero octet.
    static std::string LprControlFile();

private:
    static int32_t SendPieces(int fd, iovec *pieces, int count, uint32_t *sent, uint32_t timeoutMs);
};
