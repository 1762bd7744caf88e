/*
 * qlnk.h - the printer communication library.
 *
 * Six plain C functions open a printer port described by a caller-owned record, send and
 * receive blocks with time-outs, close the port, read the last platform error and upload a
 * file by FTP. Every function returns 1 on success and 0 on failure; the detail is in the
 * status out-parameter (QLNK_OK or a QLNK_E_ code).
 */
#ifndef QLNK_H
#define QLNK_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QLNK_API __attribute__((visibility("default")))
#else
#define QLNK_API
#endif

/* Port types: the portType field and the portType argument of every call. */
#define QLNK_PORT_USB_PRINTER     0x2001u
#define QLNK_PORT_USB_HID_OUTPUT  0x2002u
#define QLNK_PORT_USB_HID_FEATURE 0x2003u
#define QLNK_PORT_SERIAL          0x2005u
#define QLNK_PORT_PARALLEL        0x2006u
#define QLNK_PORT_TCP_RAW         0x2007u
#define QLNK_PORT_UDP_RAW         0x2008u
#define QLNK_PORT_TCP_LPR         0x2009u

/* IEEE 1284 modes for parallelMode. */
#define QLNK_PAR_NIBBLE 0x2101u
#define QLNK_PAR_BYTE   0x2102u
#define QLNK_PAR_ECP    0x2103u

/* Result codes written to the status out-parameter. */
#define QLNK_OK           1
#define QLNK_E_OPEN       0x1001
#define QLNK_E_SOCKET     0x1002
#define QLNK_E_PARAM      0x1003
#define QLNK_E_PAR_NIBBLE 0x1004
#define QLNK_E_PAR_BYTE   0x1005
#define QLNK_E_PAR_ECP    0x1006
#define QLNK_E_NO_MATCH   0x1007
#define QLNK_E_NO_DEVICE  0x1008
#define QLNK_E_TIMEOUT    0x1009
#define QLNK_E_SYSTEM     0x100A

/* The value QLNK_GetLastError gives when nothing has been recorded. */
#define QLNK_NO_ERROR_RECORDED 0xFFFF

/* Bits of QLNK_DCB.flags. */
#define QLNK_DCB_BINARY              0x00000001u
#define QLNK_DCB_PARITY_CHECK        0x00000002u
#define QLNK_DCB_CTS_OUTPUT_FLOW     0x00000004u
#define QLNK_DCB_DSR_OUTPUT_FLOW     0x00000008u
#define QLNK_DCB_DTR_CONTROL_MASK    0x00000030u /* 0 disable, 1 enable, 2 handshake */
#define QLNK_DCB_DTR_CONTROL_SHIFT   4
#define QLNK_DCB_DSR_SENSITIVITY     0x00000040u
#define QLNK_DCB_TX_CONTINUE_ON_XOFF 0x00000080u
#define QLNK_DCB_XONXOFF_OUTPUT      0x00000100u
#define QLNK_DCB_XONXOFF_INPUT       0x00000200u
#define QLNK_DCB_ERROR_CHAR          0x00000400u
#define QLNK_DCB_NULL_STRIPPING      0x00000800u
#define QLNK_DCB_RTS_CONTROL_MASK    0x00003000u /* 0 disable, 1 enable, 2 handshake, 3 toggle */
#define QLNK_DCB_RTS_CONTROL_SHIFT   12
#define QLNK_DCB_ABORT_ON_ERROR      0x00004000u

/* Parity and stop-bit codes of QLNK_DCB. */
#define QLNK_PARITY_NONE           0
#define QLNK_PARITY_ODD            1
#define QLNK_PARITY_EVEN           2
#define QLNK_PARITY_MARK           3
#define QLNK_PARITY_SPACE          4
#define QLNK_STOPBITS_ONE          0
#define QLNK_STOPBITS_ONE_AND_HALF 1
#define QLNK_STOPBITS_TWO          2

/* Serial line settings: the 28-byte device-control block of the original serial API. */
typedef struct QLNK_DCB {
    uint32_t DCBlength;
    uint32_t BaudRate;
    uint32_t flags;
    uint16_t wReserved;
    uint16_t XonLim;
    uint16_t XoffLim;
    uint8_t ByteSize;
    uint8_t Parity;
    uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    uint16_t wReserved1;
} QLNK_DCB;

/* One port, owned by the caller: zero-fill it, fill in the block of its port type, open it. */
typedef struct QLNK_CommContext {
    uint32_t portType;
    int32_t serialHandle;          /* file descriptor, -1 closed */
    const wchar_t *serialPortName; /* "COM1", "/dev/ttyUSB0", ... */
    QLNK_DCB serialDcb;
    int32_t parallelHandle;
    const wchar_t *parallelPortName; /* "LPT1", "/dev/parport0", ... */
    uint32_t parallelMode;           /* QLNK_PAR_ */
    int32_t usbHandle;
    uint32_t usbVendorId;
    uint32_t usbProductId;
    int32_t netSocket;
    uint32_t netAddress; /* IPv4, first octet most significant */
    uint32_t netPort;    /* low 16 bits used */
    uint32_t netTimeout; /* connect time-out, milliseconds */
} QLNK_CommContext;

#ifdef __cplusplus
#define QLNK_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define QLNK_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

QLNK_STATIC_ASSERT(sizeof(QLNK_DCB) == 28, "QLNK_DCB is 28 bytes");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, flags) == 8, "QLNK_DCB.flags");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, XonLim) == 14, "QLNK_DCB.XonLim");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, ByteSize) == 18, "QLNK_DCB.ByteSize");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, XonChar) == 21, "QLNK_DCB.XonChar");
QLNK_STATIC_ASSERT(offsetof(QLNK_DCB, wReserved1) == 26, "QLNK_DCB.wReserved1");

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
QLNK_STATIC_ASSERT(sizeof(QLNK_CommContext) == 88, "QLNK_CommContext is 88 bytes on 64-bit Linux");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialHandle) == 4, "serialHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialPortName) == 8, "serialPortName");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, serialDcb) == 16, "serialDcb");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelHandle) == 44, "parallelHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelPortName) == 48, "parallelPortName");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, parallelMode) == 56, "parallelMode");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbHandle) == 60, "usbHandle");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbVendorId) == 64, "usbVendorId");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, usbProductId) == 68, "usbProductId");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netSocket) == 72, "netSocket");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netAddress) == 76, "netAddress");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netPort) == 80, "netPort");
QLNK_STATIC_ASSERT(offsetof(QLNK_CommContext, netTimeout) == 84, "netTimeout");
#endif

QLNK_API int32_t QLNK_Open(QLNK_CommContext *context, int32_t *status);
QLNK_API int32_t QLNK_SendData(int32_t *handle, const uint8_t *data, uint32_t length, uint32_t *sent, uint32_t portType,
                               uint32_t timeoutMs, int32_t *status);
QLNK_API int32_t QLNK_RecvData(int32_t *handle, uint8_t *buffer, uint32_t capacity, uint32_t *received,
                               uint32_t portType, uint32_t timeoutMs, int32_t *status);
QLNK_API int32_t QLNK_CloseComm(int32_t *handle, uint32_t portType, int32_t *status);
QLNK_API int32_t QLNK_FTPPutFile(const wchar_t *clientName, const wchar_t *user, const wchar_t *password, int32_t port,
                                 uint32_t address, const wchar_t *localPath, const wchar_t *remoteName,
                                 int32_t *status);
/* The most recent platform error: an errno value, or libcurl's result code after an FTP upload
   (0 when it succeeded). A TCP open that had to wait for its connection leaves EINPROGRESS even
   when it succeeded. QLNK_NO_ERROR_RECORDED when nothing was recorded since the last read:
   reading resets it, in one atomic step. Always returns 1. */
QLNK_API int32_t QLNK_GetLastError(int32_t *value);

/* Function types, for callers that load the library by name. */
typedef int32_t (*QLNK_OpenFn)(QLNK_CommContext *, int32_t *);
typedef int32_t (*QLNK_SendDataFn)(int32_t *, const uint8_t *, uint32_t, uint32_t *, uint32_t, uint32_t, int32_t *);
typedef int32_t (*QLNK_RecvDataFn)(int32_t *, uint8_t *, uint32_t, uint32_t *, uint32_t, uint32_t, int32_t *);
typedef int32_t (*QLNK_CloseCommFn)(int32_t *, uint32_t, int32_t *);
typedef int32_t (*QLNK_FTPPutFileFn)(const wchar_t *, const wchar_t *, const wchar_t *, int32_t, uint32_t,
                                     const wchar_t *, const wchar_t *, int32_t *);
typedef int32_t (*QLNK_GetLastErrorFn)(int32_t *);

#ifdef __cplusplus
}
#endif

#endif /* QLNK_H */
